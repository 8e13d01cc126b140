// Save file (unit 1) of a run that the CPU-time monitor ended, and the restore of its
// inputs from the restart file (unit 2).
//
// Records 1 to 55 hold the inputs that define the run, the stored geometry lines, the
// loop counters and the witness counters; the wake accumulators, delay lines and fields
// follow (store, reload). The group FILE, NR, NZ, RAD, LPPW, the mesh and everything
// derived from the inputs are not in the file: a restored run computes them again.
#pragma once

// Size in bytes of record r (1 to 55) of the save file, without its framing.
inline constexpr int save_reclen(int r) {
  return r == 1 ? 16040 : r <= 51 ? 28800 : r == 52 ? 160112 : r == 53 ? 84 : r == 54 ? 96 : 8;
}

// Rewind unit 1 and write records 1 to 55 and the field records: the state of the run
// after its step KEND, to be continued with the step KEND + 1.
void save_run();
// Read records 1 to 54 from unit 2 into the inputs and the main program's state; the
// restored run is numbered one after the saved run and counts as a new mesh. Records 55
// onwards are read by advan.
void restore_inputs();
