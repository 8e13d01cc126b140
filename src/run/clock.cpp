// CPU time and date services.
#include "run/clock.hpp"

#include <omp.h>

#include <ctime>

#include "run/params.hpp"
#include "run/records.hpp"

// Processor time used so far by the whole process, all threads together (s).
static float process_cpu_seconds() {
  timespec ts{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
  return static_cast<float>(static_cast<double>(ts.tv_sec) + 1.0e-9 * static_cast<double>(ts.tv_nsec));
}

void cputim(float &TUSED, int MODE) {
  if (MODE <= 1) {
    // Every thread of the region stores the same thread count: no lock is needed.
    int n = 1;
#pragma omp parallel
    n = omp_get_num_threads();
    cput.NTHRD = n;
    cput.TSTART = process_cpu_seconds();
    cput.TLAP = cput.TSTART;
    return;
  }
  float now = process_cpu_seconds();
  if (MODE == 2) {
    TUSED = (now - cput.TLAP) / static_cast<float>(cput.NTHRD);
    cput.TLAP = now;
  } else {
    TUSED = (now - cput.TSTART) / static_cast<float>(cput.NTHRD);
  }
}

void datime(std::string &CDATE, std::string &CTIME) {
  // One reading of the clock gives both texts, so date and time belong together.
  std::time_t t = std::time(nullptr);
  std::tm lt{};
  localtime_r(&t, &lt);
  CDATE = rtext(8, "(I2,'/',I2,'/',I2.2)", lt.tm_mday, lt.tm_mon + 1, lt.tm_year % 100);
  CTIME = rtext(8, "(I2.2,'.',I2.2,'.',I2.2)", lt.tm_hour, lt.tm_min, lt.tm_sec);
}
