// Two line tables built straight from fingerprints, for matcher tests: the texts
// are empty, only the fingerprints count.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "driver/comparison.h"

namespace vesk {

struct FingerprintPair {
    FingerprintPair(const std::vector<std::uint32_t>& first_lines, const std::vector<std::uint32_t>& second_lines);

    // One line per letter, the letter's code as its fingerprint: "AAB".
    static std::vector<std::uint32_t> letters(const std::string& text);

    std::vector<std::uint8_t> marks(const LineTable& table) const;
    std::vector<std::int64_t> run_lengths() const;
    std::vector<std::int64_t> run_starts() const;

    Output out, err;
    Diagnostics diagnostics{err};
    Comparison run{Options{}, out, diagnostics};
};

}  // namespace vesk
