// Save file (unit 1) of a run that the CPU-time monitor ended, and the restore of its
// inputs from the restart file (unit 2).
#pragma once

void save_run();
void restore_inputs();
