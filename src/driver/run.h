// The whole run, from the command line to the exit status.
#pragma once

#include "support/error_report.h"
#include "support/output.h"

namespace vesk {

// Runs vesk with argv[0..argc) and returns the exit status (0, 1, 2 or -1).
// Every fatal path, deep inside any phase, ends here: nothing calls exit().
// `out` is flushed before returning; when standard output could not be written,
// "write error\n" follows whatever else was reported, and the status is 2.
int execute(int argc, const char* const* argv, Output& out, Output& err);

}  // namespace vesk
