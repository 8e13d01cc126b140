// One run of the run sequence.
#pragma once

// Steps 1 to 23 of a run: decoding of the contour, mesh, derived quantities, echo of the
// inputs, allocation, beam-pipe checks, mesh map and shape frames, presets of the fields,
// cell flags, bunch tables and wake accumulators. False when the beam-pipe checks skip
// the run. `restored` marks the run continued from a save file.
bool run_prepare(bool restored);
// The whole run: run_prepare, then (unless ITEST = 1) the first window, the time loop
// and the save file, and the completion and results of the run.
void one_run(bool restored);
