// A run built by hand for the tests of the comparison phases and the reports:
// both files from lists of lines, the marks of both written as digits, one per
// line, with a "/" between the files ("1011/10110"). For the matcher, both files
// straight from fingerprints, with empty texts.
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
        for (auto [table, lines] : {std::pair{&comparison.first, &first_lines}, {&comparison.second, &second_lines}})
            for (const std::string& line : *lines) {
                table->store_next(diagnostics, line);
                fingerprint_line(*table, line, options.text_rules());
            }
    }

    HandRun(const std::vector<std::uint32_t>& first_lines, const std::vector<std::uint32_t>& second_lines)
        : comparison(Options{}, out, diagnostics) {
        for (auto [table, lines] : {std::pair{&comparison.first, &first_lines}, {&comparison.second, &second_lines}})
            for (std::uint32_t fingerprint : *lines) {
                table->store_next(diagnostics, "");
                table->commit_line(fingerprint);
            }
    }

    void set_marks(const std::string& marks) {
        const std::size_t slash = marks.find('/');
        for (std::size_t at = 0; at < marks.size(); ++at)
            if (at != slash) (at < slash ? comparison.first.marks[at] : comparison.second.marks[at - slash - 1]) =
                                 static_cast<std::uint8_t>(marks[at] - '0');
    }
    std::string marks() const {
        std::string digits;
        for (const LineTable* table : {&comparison.first, &comparison.second})
            for (std::int64_t line = 0; line <= table->count; ++line)
                digits += line < table->count ? static_cast<char>('0' + table->marks[line]) : '/';
        return digits.substr(0, digits.size() - 1);
    }

    Output out, err;
    Diagnostics diagnostics{err};
    Comparison comparison;
};

inline Options options_with(std::uint32_t flags, std::int32_t context_lines = 0, std::int32_t tab_width = 8) {
    Options options;
    options.flags = flags;
    options.tab_width = tab_width;
    options.context_lines = context_lines;
    return options;
}

// Each letter as a line of its own ("ab" gives "a\n", "b\n").
inline std::vector<std::string> letter_lines(const std::string& letters) {
    std::vector<std::string> lines;
    for (char letter : letters) lines.push_back(std::string(1, letter) + "\n");
    return lines;
}

}  // namespace vesk::testing
