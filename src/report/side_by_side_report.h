// The side-by-side report (--side-by-side): both files in two columns, row by
// row, every whole line of both. A common line is one row with its text on both
// sides; in each change the lines of the two files pair in order, line k with
// line k, and the lines left over on one side are rows of their own. Rows are
// laid out in terminal columns by the line writer (RowPrinter), so that the
// gutter stands in one column whatever the text. Reads the whole-line view only.
#pragma once

#include "compare/whole_lines.h"
#include "model/comparison.h"

namespace vesk {

// Returns whether any line differs. Prints nothing for the common lines with
// --suppress-common-lines. view: the comparison's tables after the recheck.
bool print_side_by_side_report(const Comparison& comparison, const WholeLineView& view);

// One file named twice (as /dev/stdin and /dev/fd/0), read once: every line of
// table is common with itself. Its marks become MARK_MATCHED.
void print_side_by_side_of_itself(Output& out, const Options& options, LineTable& table);

}  // namespace vesk
