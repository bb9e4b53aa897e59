#include "support/run_end.h"

namespace vesk {

void end_run(int status) { throw RunEnded{status}; }

}  // namespace vesk
