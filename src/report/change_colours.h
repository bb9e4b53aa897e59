// The changed words of the lines of one change under --color, as the comparison
// of their pairs found them. Without OPT_COLOR nothing is looked at.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "compare/changed_words.h"
#include "compare/whole_lines.h"
#include "model/comparison.h"

namespace vesk {

class ChangeColours {
public:
    // The change is lines [first_from, first_to) of the first file against
    // [second_from, second_to) of the second.
    void find(const Comparison& comparison, std::int64_t first_from, std::int64_t first_to, std::int64_t second_from,
              std::int64_t second_to);
    // The same for a change of whole lines; its lines are then numbered from 0
    // on each side.
    void find(const Comparison& comparison, const LinePieces& first_pieces, LineSpan first,
              const LinePieces& second_pieces, LineSpan second);

    // The changed words of a line of the change, by its number in its file.
    std::span<const Segment> first(std::int64_t line) const {
        if (!found_) return {};
        return words_.first_segments(static_cast<std::size_t>(line - first_from_));
    }
    std::span<const Segment> second(std::int64_t line) const {
        if (!found_) return {};
        return words_.second_segments(static_cast<std::size_t>(line - second_from_));
    }

private:
    ChangedWords words_;
    std::vector<std::string_view> first_lines_, second_lines_;
    std::vector<std::string> joined_;  // the whole lines of more than one piece
    std::int64_t first_from_ = 0, second_from_ = 0;
    bool found_ = false;
};

}  // namespace vesk
