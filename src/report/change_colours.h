// The colours of the lines of one change under --color: the first file's lines
// as deleted, the second's as added, each with the changed words that the
// comparison of its pair found. Without OPT_COLOR nothing is looked at.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "compare/changed_words.h"
#include "model/comparison.h"
#include "report/line_writer.h"

namespace vesk {

class ChangeColours {
public:
    // The change is lines [first_from, first_to) of the first file against
    // [second_from, second_to) of the second.
    void find(const Comparison& comparison, std::int64_t first_from, std::int64_t first_to, std::int64_t second_from,
              std::int64_t second_to);

    // The colours of a line of the change, by its number in its file.
    LineColour first(std::int64_t line) const {
        if (!found_) return {LineSide::deleted, {}};
        return {LineSide::deleted, words_.first_segments(static_cast<std::size_t>(line - first_from_))};
    }
    LineColour second(std::int64_t line) const {
        if (!found_) return {LineSide::added, {}};
        return {LineSide::added, words_.second_segments(static_cast<std::size_t>(line - second_from_))};
    }

private:
    ChangedWords words_;
    std::vector<std::string_view> first_lines_, second_lines_;
    std::int64_t first_from_ = 0, second_from_ = 0;
    bool found_ = false;
};

}  // namespace vesk
