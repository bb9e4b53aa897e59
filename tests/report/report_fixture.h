// A run built by hand for the tests of the comparison phases and the reports:
// both files from lists of lines, marks written as digit strings ("1011").
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "compare/fingerprint.h"
#include "model/comparison.h"

namespace vesk::testing {

struct HandRun {
    HandRun(Options options, const std::vector<std::string>& first_lines, const std::vector<std::string>& second_lines)
        : comparison(options, out, diagnostics) {
        load(comparison.first, first_lines);
        load(comparison.second, second_lines);
    }

    // One digit per line; a string shorter than the file leaves the rest 0.
    void set_marks(const std::string& first_marks, const std::string& second_marks) {
        write_marks(comparison.first, first_marks);
        write_marks(comparison.second, second_marks);
    }
    static std::string marks_of(const LineTable& table) {
        std::string digits;
        for (std::int64_t line = 0; line < table.count; ++line) digits.push_back(static_cast<char>('0' + table.marks[line]));
        return digits;
    }
    std::string first_marks() const { return marks_of(comparison.first); }
    std::string second_marks() const { return marks_of(comparison.second); }

    Output out;
    Output err;
    Diagnostics diagnostics{err};
    Comparison comparison;

private:
    void load(LineTable& table, const std::vector<std::string>& lines) {
        for (const std::string& line : lines) {
            table.store_next(diagnostics, line);
            fingerprint_line(table, line, comparison.options.flags);
        }
    }
    static void write_marks(LineTable& table, const std::string& digits) {
        for (std::size_t line = 0; line < digits.size() && static_cast<std::int64_t>(line) < table.count; ++line)
            table.marks[line] = static_cast<std::uint8_t>(digits[line] - '0');
    }
};

// Options with the given flags; -c count and -t width only when asked for.
inline Options options_with(std::uint32_t flags, std::int32_t context_lines = 0, std::int32_t tab_width = 8) {
    Options options;
    options.flags = flags;
    options.context_lines = context_lines;
    options.tab_width = tab_width;
    return options;
}

// Each letter of letters as a line of its own ("ab" gives "a\n", "b\n").
inline std::vector<std::string> letter_lines(const std::string& letters) {
    std::vector<std::string> lines;
    for (char letter : letters) lines.push_back(std::string(1, letter) + "\n");
    return lines;
}

}  // namespace vesk::testing
