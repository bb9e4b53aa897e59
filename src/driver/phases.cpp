#include "driver/phases.h"

namespace vesk {

// Until the matcher and the reports are wired in, a loaded pair ends the run quietly.
int run_phases(Comparison&) { return 0; }

}  // namespace vesk
