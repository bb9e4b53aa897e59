// The colour options: --color[=WHEN] (never, always or auto; alone, auto) and
// --palette=KEY=SGR[:KEY=SGR]..., KEY one of the palette's keys and SGR digits
// and ';'. auto colours when standard output is a terminal, TERM is set and not
// "dumb", and NO_COLOR is unset or empty. Anything else is a usage error.
#pragma once

#include "model/options.h"
#include "support/error_report.h"
#include "support/output.h"

namespace vesk {

// Reads argument when it is one of the colour options, into options, and
// returns true; false for any other argument. A bad value ends the run with
// status 2.
bool read_colour_option(const char* argument, Options& options, const Output& out, Diagnostics& diagnostics);

}  // namespace vesk
