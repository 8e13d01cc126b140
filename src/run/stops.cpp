// Stops on bad inputs, and the guards of the process against failed allocations and
// fatal signals.
#include "run/stops.hpp"

#include <sys/resource.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <new>

#include "run/constants.hpp"
#include "run/records.hpp"
#include "run/units.hpp"
#include "solver/fields.hpp"

namespace {
std::string rtrim(std::string s) {
  while (!s.empty() && s.back() == ' ') s.pop_back();
  return s;
}
} // namespace

void stop_int(const std::string &name, long value, const std::string &why) {
  // I7 as long as the value fits it, I11 (any 32-bit value) beyond.
  const bool fits = value > -1000000 && value < 10000000;
  rec(ndev.NOUT, fits ? "(1X,A,A,A,I7,1X,A)" : "(1X,A,A,A,I11,1X,A)", "*** STOP *** ", name, " =", value, rtrim(why));
  zstop();
}

void stop_real(const std::string &name, float value, const std::string &why) {
  rec(ndev.NOUT, "(1X,A,A,A,G13.5,1X,A)", "*** STOP *** ", name, " =", value, rtrim(why));
  zstop();
}

long long run_array_bytes(long long NMESH, long long NRN, long long MSZW, long long NQ, int NFIELD) {
  // Per node the NFIELD field components held, the cell flag, three edge factors, eight
  // one-byte hit directions and the cell code of the step; per radial line the four delay lines of
  // NPT slots and the twelve update coefficients; four wake arrays; the table.
  return NMESH * (NFIELD * 4LL + 4 + 3 * 4 + 8 * 1 + 1) + NRN * (4 * 2 * NPT * 4 + 12 * 4) + MSZW * 4 * 4 + NQ * 4;
}

void stop_memory(long long NMESH, long long bytes, const std::string &why) {
  rec(ndev.NOUT, "(1X,A)", "*** STOP *** NMESH = " + std::to_string(NMESH) + " NEEDS " + std::to_string(bytes) +
                               " BYTES FOR THE ARRAYS OF THE RUN" + rtrim(why));
  zstop();
}

long long memory_limit() {
  long long lim = static_cast<long long>(sysconf(_SC_PHYS_PAGES)) * sysconf(_SC_PAGE_SIZE);
  if (lim <= 0) lim = 1LL << 62;
  // The resident-set limit too (ulimit -m): Linux does not enforce it, but it is the
  // limit a build with AddressSanitizer can be given, whose shadow memory needs the
  // address space that RLIMIT_AS would hold.
  for (int res : {RLIMIT_AS, RLIMIT_DATA, RLIMIT_RSS}) {
    struct rlimit rl;
    if (getrlimit(res, &rl) == 0 && rl.rlim_cur != RLIM_INFINITY &&
        static_cast<long long>(rl.rlim_cur) < lim)
      lim = static_cast<long long>(rl.rlim_cur);
  }
  return lim;
}

namespace {

long long run_nmesh = 0, run_bytes = 0;
// Kept free for the record writer when an allocation has failed.
char *reserve = nullptr;

void out_of_memory() {
  delete[] reserve;
  reserve = nullptr;
  std::set_new_handler(nullptr);
  stop_memory(run_nmesh, run_bytes, ": AN ALLOCATION FAILED, THE MEMORY IS EXHAUSTED.");
}

void on_signal(int sig) {
  uflush_all();
  std::signal(sig, SIG_DFL);
  std::raise(sig);
}

void on_terminate() {
  uflush_all();
  std::abort();
}

} // namespace

void note_run_memory(long long NMESH, long long bytes) {
  run_nmesh = NMESH;
  run_bytes = bytes;
}

void guard_process() {
  reserve = new char[1 << 20];
  std::set_new_handler(out_of_memory);
  std::set_terminate(on_terminate);
  for (int s : {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT, SIGTERM, SIGINT, SIGHUP, SIGXCPU})
    std::signal(s, on_signal);
}
