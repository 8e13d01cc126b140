// The stop of a run on an input that the program cannot use: one record on the report,
// " *** STOP *** NAME = value why", then the end of the process with exit status 1.
#pragma once
#include <csignal>
#include <string>

[[noreturn]] void stop_int(const std::string &name, long value, const std::string &why);
[[noreturn]] void stop_real(const std::string &name, float value, const std::string &why);

// The memory that the arrays of a run may take: the least of the memory available on the
// machine and what the address-space and data limits of the process leave beside the
// mappings it holds, each less MEMORY_MARGIN for the mappings made after the arrays (the
// work arrays of the results, the buffers and thread arenas of the C library). what
// names the bound that applies, for the stop record.
struct memory_room {
  long long bytes;
  std::string what;
};
inline constexpr long long MEMORY_MARGIN = 64LL << 20;
memory_room memory_limit();
// Bytes of the run's arrays for NMESH nodes, NRN radial lines, MSZW wake points and a
// line-charge table of NQ entries, with NFIELD of the six field components held.
long long run_array_bytes(long long NMESH, long long NRN, long long MSZW, long long NQ, int NFIELD = 6);
// The stop of a run whose arrays cannot be held: " *** STOP *** NMESH = n NEEDS b BYTES
// FOR THE ARRAYS OF THE RUN" and why.
[[noreturn]] void stop_memory(long long NMESH, long long bytes, const std::string &why);
// The why of that stop for a mesh of more than INT_MAX / 8 nodes: the boundary hit table
// holds eight entries per node, and its entries are counted by a 32-bit index.
inline constexpr const char *NODE_COUNT_LIMIT_TEXT =
    ", MORE THAN 268435455 NODES: THE BOUNDARY HIT TABLE HOLDS 8 ENTRIES PER NODE, COUNTED BY A 32-BIT INDEX.";
// The size of the run's mesh and the bytes its arrays need, named by the stop that an
// allocation failure writes.
void note_run_memory(long long NMESH, long long bytes);
// From the start of the process: a failed allocation (the new handler, or a bad_alloc or
// length_error that reaches the end of the process) stops with the record of the memory
// the run needs; a fatal signal flushes the report first.
void guard_process();

// Interruption. Once the output files are open, SIGINT, SIGTERM and SIGHUP only set
// zelk_signal (and restore the default action, so that a second signal ends the process
// at once); the run ends at the next interrupt check: the time loop makes one at the start
// of every time step (with the step and the number of steps; step < 0 once it has left),
// and every record written makes one. interrupt_point writes " *** STOP *** RUN
// INTERRUPTED BY SIGNAL s AT TIME STEP k OF NT." (or "OUTSIDE THE TIME LOOP.") on the
// report, closes every file, writes "zelk: run interrupted by signal s, see case.out" on
// standard error and exits with 128 + s.
extern volatile std::sig_atomic_t zelk_signal;
extern long interrupt_step, interrupt_nsteps;
void guard_interrupts();
void interrupt_point();
inline void interrupt_check(long step, long nsteps) {
  interrupt_step = step;
  interrupt_nsteps = nsteps;
  if (zelk_signal != 0) interrupt_point();
}
