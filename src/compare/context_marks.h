// Context for the -c report: in each file on its own, up to c matched lines
// before every block of unmatched lines become leading context (mark 2) and up
// to c after it trailing context (mark 3). Blocks are taken from the top, so a
// block's trailing context is never taken again as the next block's leading one.
#pragma once

#include <cstdint>

#include "model/line_table.h"

namespace vesk {

// context_lines: the -c count; 0 or less changes nothing.
void mark_context(LineTable& first, LineTable& second, std::int32_t context_lines);

}  // namespace vesk
