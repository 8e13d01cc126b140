// End of a run: the completion of the wake arrays and the results are not built yet.
#include "run/completion.hpp"

void complete_run() {}
