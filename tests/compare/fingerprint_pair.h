// Two line tables built straight from fingerprints, for matcher tests: the texts
// are empty, only the fingerprints count.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "compare/run_table.h"
#include "model/comparison.h"

namespace vesk {

struct FingerprintPair {
    FingerprintPair(const std::vector<std::uint32_t>& first_lines, const std::vector<std::uint32_t>& second_lines);

    // One line per letter, the letter's code as its fingerprint: "AAB".
    static std::vector<std::uint32_t> letters(const std::string& text);

    std::vector<std::uint8_t> marks(const LineTable& table) const;
    // Runs the matcher as the program does and hands back its run table.
    RunTableEntries match();

    Output out, err;
    Diagnostics diagnostics{err};
    Comparison comparison{Options{}, out, diagnostics};
};

}  // namespace vesk
