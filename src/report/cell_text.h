// A line's text as a cell of the side-by-side report shows it, in terminal
// columns (char_width.h): tabs expanded to stops counted from the cell's start,
// control bytes as caret pairs (a form feed as "^L", an escape as "^[", DEL as
// "^?"), cut at the cell's width between two characters. A character that would
// cross the edge is left out and the cut ends there; a wide one (two columns, a
// caret pair too) leaves a blank in its place, and a tab fills only up to the
// edge. Characters of no width that follow the last one shown stay with it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

#include "support/memory.h"
#include "support/text_encoding.h"

namespace vesk {

struct CellFormat {
    std::int64_t columns;    // the cell's width
    std::int64_t tab_width;  // at least 1
    Encoding encoding;
};

// Appends the cell's bytes for text (a line without its newline) to cell and
// returns how many columns they take, at most format.columns. `bounds`, offsets
// of the text at character boundaries in ascending order (the ends of changed
// words), become the offsets in cell where those characters' bytes begin; a
// bound past the cut becomes the end of the cell.
std::int64_t fit_to_cell(std::string_view text, const CellFormat& format, WorkVector<char>& cell,
                         std::span<std::size_t> bounds = {});

}  // namespace vesk
