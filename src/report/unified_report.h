// The unified report of --unified[=N], the form that patch, git apply and review
// tools read: a header naming both files, then hunks of whole lines, each a
// header "@@ -S1[,C1] +S2[,C2] @@" and its lines, " " for a common line (printed
// from the first file), "-" for a deleted and "+" for an added one, every "-"
// before every "+" between two common lines. A hunk holds up to N common lines
// before its first change and after its last, and two changes share a hunk
// when at most 2N common lines lie between them. Lines are printed as loaded,
// without "^L" or tab expansion, so that applying the report to the first file
// gives the second.
#pragma once

#include <ctime>
#include <string_view>

#include "compare/whole_lines.h"
#include "model/comparison.h"
#include "support/output.h"

namespace vesk {

// Prints the report of view, the whole lines of the comparison's files as the
// recheck of the matched pairs left their marks; returns whether the files
// differ, and prints nothing when they do not.
bool print_unified_report(const Comparison& comparison, const WholeLineView& view);

// A file's name as the header writes it: as given, or between double quotes
// when it holds a blank, a byte below 0x20 or from 0x80, '"' or '\'; inside
// them C's escapes stand for \a \b \t \n \v \f \r " and \, and three octal
// digits for any other such byte (a Shift-JIS name is escaped byte by byte).
void write_quoted_name(Output& out, std::string_view name);

// A modification time in local time, as "%Y-%m-%d %H:%M:%S.<9 digits> %z".
void write_file_time(Output& out, timespec time);

}  // namespace vesk
