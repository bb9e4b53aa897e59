// Reading the command line: vesk [-biNxX] [-c[<m>]] [-t <n>] [--utf8]
// [--unified[=N]] [--label L]... [--color[=WHEN]] [--palette=...] <filename1>
// <filename2>, or vesk -usage. Options come before the two names and are
// examined in the order given, so the first bad one is the one reported. The
// extensions --help and --version are answered wherever they stand, before
// anything else is checked.
#pragma once

#include <cstdint>

#include "model/options.h"
#include "support/error_report.h"
#include "support/output.h"

namespace vesk {

struct CommandLine {
    Options options;
    const char* first_name = nullptr;
    const char* second_name = nullptr;
};

// Reads argv[1..argc). Prints the usage line, a help text or the version where
// asked and ends the run (status 2 for every error, 0 after a help text or the
// version).
CommandLine read_command_line(int argc, const char* const* argv, Output& out, Diagnostics& diagnostics);

// A decimal number as C's atoi reads it (leading white space, an optional sign,
// digits up to the first non-digit; no digits read as 0), except that a value
// beyond 32 bits stops at the nearest 32-bit limit instead of overflowing.
std::int32_t read_decimal(const char* text);

}  // namespace vesk
