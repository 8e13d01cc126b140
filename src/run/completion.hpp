// End of a run: completion of the wake arrays, wake report, tables, plots and spectra.
#pragma once

// Before the time loop: stops a run whose completion has no finite value (the
// logarithmic term of unequal pipes with a pipe of zero radius).
void complete_check();
void complete_run();
