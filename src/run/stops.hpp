// The stop of a run on an input that the program cannot use: one record on the report,
// " *** STOP *** NAME = value why", then the end of the process with exit status 1.
#pragma once
#include <string>

[[noreturn]] void stop_int(const std::string &name, long value, const std::string &why);
[[noreturn]] void stop_real(const std::string &name, float value, const std::string &why);

// The memory that the arrays of a run may take (bytes): the physical memory of the
// machine, or less where the process limits say so.
long long memory_limit();
// Bytes of the run's arrays for NMESH nodes, NRN radial lines, MSZW wake points and a
// line-charge table of NQ entries, with NFIELD of the six field components held.
long long run_array_bytes(long long NMESH, long long NRN, long long MSZW, long long NQ, int NFIELD = 6);
// The stop of a run whose arrays cannot be held: " *** STOP *** NMESH = n NEEDS b BYTES
// FOR THE ARRAYS OF THE RUN" and why.
[[noreturn]] void stop_memory(long long NMESH, long long bytes, const std::string &why);
// The size of the run's mesh and the bytes its arrays need, named by the stop that an
// allocation failure writes.
void note_run_memory(long long NMESH, long long bytes);
// From the start of the process: an allocation that fails, and a signal that ends the
// process, flush the report first; a failed allocation stops with the record of the
// memory the run needs.
void guard_process();
