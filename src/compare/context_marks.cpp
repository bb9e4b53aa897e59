#include "compare/context_marks.h"

namespace vesk {
namespace {

void mark_leading(LineTable& table, std::int64_t block_start, std::int32_t context_lines) {
    std::int64_t line = block_start - 1;
    for (std::int32_t marked = 0; marked < context_lines && line >= 0 && table.marks[line] == MARK_MATCHED;
         ++marked, --line)
        table.marks[line] = MARK_LEADING_CONTEXT;
}

void mark_trailing(LineTable& table, std::int64_t after_block, std::int32_t context_lines) {
    std::int64_t line = after_block;
    for (std::int32_t marked = 0; marked < context_lines && line < table.count && table.marks[line] == MARK_MATCHED;
         ++marked, ++line)
        table.marks[line] = MARK_TRAILING_CONTEXT;
}

void mark_file(LineTable& table, std::int32_t context_lines) {
    std::int64_t line = 0;
    while (line < table.count) {
        if (table.is_matched(line)) {
            ++line;
            continue;
        }
        mark_leading(table, line, context_lines);
        line = table.unmatched_end(line);
        mark_trailing(table, line, context_lines);
        // The line after the block is matched (or the end): nothing starts there.
        ++line;
    }
}

}  // namespace

void mark_context(LineTable& first, LineTable& second, std::int32_t context_lines) {
    if (context_lines <= 0) return;
    mark_file(first, context_lines);
    mark_file(second, context_lines);
}

}  // namespace vesk
