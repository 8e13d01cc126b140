// Stops on bad inputs, and the guards of the process against failed allocations and
// fatal signals.
#include "run/stops.hpp"

#include <sys/resource.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <fstream>
#include <new>
#include <stdexcept>

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

namespace {

// A value in kB of /proc/meminfo, or -1.
long long meminfo_kb(const char *key) {
  std::ifstream in("/proc/meminfo");
  std::string k;
  long long v = 0;
  std::string unit;
  while (in >> k >> v) {
    std::getline(in, unit);
    if (k == key) return v;
  }
  return -1;
}

// Address space (field 1) or data and stack (field 6) of the process in bytes, from
// /proc/self/statm; 0 when it cannot be read.
long long statm_bytes(int field) {
  std::ifstream in("/proc/self/statm");
  long long v = 0;
  for (int k = 1; k <= field; ++k)
    if (!(in >> v)) return 0;
  return v * sysconf(_SC_PAGE_SIZE);
}

} // namespace

memory_room memory_limit() {
  memory_room m{static_cast<long long>(sysconf(_SC_PHYS_PAGES)) * sysconf(_SC_PAGE_SIZE), "OF THE MEMORY OF THE MACHINE"};
  if (m.bytes <= 0) m.bytes = 1LL << 62;
  const long long avail = meminfo_kb("MemAvailable:");
  if (avail >= 0 && avail * 1024 - MEMORY_MARGIN < m.bytes)
    m = {avail * 1024 - MEMORY_MARGIN, "OF THE MEMORY AVAILABLE ON THE MACHINE"};
  // The resident-set limit too (ulimit -m): Linux does not enforce it, but it is the one
  // limit a build with AddressSanitizer can be given, whose shadow memory needs the address
  // space that RLIMIT_AS would hold.
  const struct {
    int res;
    int field;
    const char *name;
  } limits[] = {{RLIMIT_AS, 1, "ADDRESS-SPACE"}, {RLIMIT_DATA, 6, "DATA"}, {RLIMIT_RSS, 2, "RESIDENT-SET"}};
  for (const auto &l : limits) {
    struct rlimit rl;
    if (getrlimit(l.res, &rl) != 0 || rl.rlim_cur == RLIM_INFINITY) continue;
    const long long lim = static_cast<long long>(rl.rlim_cur);
    const long long left = lim - statm_bytes(l.field) - MEMORY_MARGIN;
    if (left < m.bytes)
      m = {left, std::string("LEFT UNDER THE ") + l.name + " LIMIT OF " + std::to_string(lim) + " BYTES"};
  }
  if (m.bytes < 0) m.bytes = 0;
  return m;
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
  uflush_quiet();
  std::signal(sig, SIG_DFL);
  std::raise(sig);
}

void on_terminate() {
  // An allocation that failed where no new handler was asked (an aligned block, a size
  // beyond what a vector can hold) ends like any other failed allocation.
  if (std::exception_ptr e = std::current_exception()) {
    try {
      std::rethrow_exception(e);
    } catch (const std::bad_alloc &) {
      out_of_memory();
    } catch (const std::length_error &) {
      out_of_memory();
    } catch (...) {
    }
  }
  uflush_quiet();
  std::abort();
}

const int interrupt_signals[] = {SIGINT, SIGTERM, SIGHUP};

void on_interrupt(int sig) {
  zelk_signal = sig;
  // The second signal ends the process at once.
  struct sigaction sa {};
  sa.sa_handler = SIG_DFL;
  sigemptyset(&sa.sa_mask);
  for (int s : interrupt_signals) sigaction(s, &sa, nullptr);
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
  for (int s : {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT, SIGXCPU}) std::signal(s, on_signal);
}

volatile std::sig_atomic_t zelk_signal = 0;

void guard_interrupts() {
  struct sigaction sa {};
  sa.sa_handler = on_interrupt;
  sigemptyset(&sa.sa_mask);
  for (int s : interrupt_signals) sigaddset(&sa.sa_mask, s);
  // Slow system calls go on after the handler: the run ends at its own next check.
  sa.sa_flags = SA_RESTART;
  for (int s : interrupt_signals) sigaction(s, &sa, nullptr);
}

long interrupt_step = -1, interrupt_nsteps = 0;

void interrupt_point() {
  const long step = interrupt_step, nsteps = interrupt_nsteps;
  const int sig = zelk_signal;
  if (sig == 0) return;
  // Taken once: the records of the ending do not come back here.
  zelk_signal = 0;
  const std::string where = step >= 0 ? "AT TIME STEP " + std::to_string(step) + " OF " + std::to_string(nsteps)
                                      : std::string("OUTSIDE THE TIME LOOP");
  const std::string report = uname(ndev.NOUT);
  rec(ndev.NOUT, "(1X,A)", "*** STOP *** RUN INTERRUPTED BY SIGNAL " + std::to_string(sig) + " " + where + ".");
  uclose_files();
  std::fflush(stdout);
  std::fprintf(stderr, "zelk: run interrupted by signal %d, see %s\n", sig, report.c_str());
  std::exit(128 + sig);
}
