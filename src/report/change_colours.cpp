#include "report/change_colours.h"

namespace vesk {
namespace {

// The printed lines of a file, without their newlines.
void printed_lines(const LineTable& table, std::int64_t from, std::int64_t to, std::vector<std::string_view>& lines) {
    lines.clear();
    for (std::int64_t line = from; line < to; ++line) {
        std::string_view text = table.text(line);
        if (!text.empty() && text.back() == '\n') text.remove_suffix(1);
        lines.push_back(text);
    }
}

}  // namespace

void ChangeColours::find(const Comparison& comparison, std::int64_t first_from, std::int64_t first_to,
                         std::int64_t second_from, std::int64_t second_to) {
    first_from_ = first_from;
    second_from_ = second_from;
    found_ = comparison.options.has(OPT_COLOR);
    if (!found_) return;
    printed_lines(comparison.first, first_from, first_to, first_lines_);
    printed_lines(comparison.second, second_from, second_to, second_lines_);
    words_.find(first_lines_, second_lines_, comparison.options.text_rules());
}

}  // namespace vesk
