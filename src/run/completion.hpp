// End of a run: completion of the wake arrays, wake report, tables, plots and spectra.
#pragma once

void complete_run();
