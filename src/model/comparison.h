// Everything one run works on: the options, both line tables, and the two
// output streams. Each phase is a free function given this (or the parts of it
// that it needs).
#pragma once

#include <ctime>

#include "model/line_table.h"
#include "model/options.h"
#include "support/error_report.h"
#include "support/output.h"

namespace vesk {

// A file as the unified report's header names it: as given on the command line,
// with the modification time the opened file reported.
struct FileStamp {
    const char* name = "";
    timespec modified{};
};

struct Comparison {
    Comparison(Options run_options, Output& out_stream, Diagnostics& run_diagnostics)
        : options(run_options),
          out(out_stream),
          diagnostics(run_diagnostics),
          first(run_diagnostics),
          second(run_diagnostics) {}

    Options options;
    Output& out;               // the reports and the -N header
    Diagnostics& diagnostics;  // standard error and memory
    LineTable first;           // the file being compared (index 0)
    LineTable second;          // the file compared against it (index 1)
    FileStamp stamps[2];       // of both files, for the unified report
};

}  // namespace vesk
