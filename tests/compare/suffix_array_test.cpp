#include "compare/suffix_array.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <vector>

namespace vesk {
namespace {

// Texts of every kind the matcher makes: few symbols, runs of one, cycles;
// each ends with the unique 0.
std::vector<std::int32_t> generated_text(std::mt19937& random, int kind) {
    std::size_t size = 1 + random() % 300;
    std::vector<std::int32_t> text(size);
    for (std::size_t at = 0; at + 1 < size; ++at) {
        if (kind == 0) text[at] = 1 + static_cast<std::int32_t>(random() % 3);
        else if (kind == 1) text[at] = at < size / 2 ? 1 : 2;
        else text[at] = 1 + static_cast<std::int32_t>(at % (2 + kind));
    }
    text.back() = 0;
    return text;
}

// Against sorting the suffixes directly, and counting their common prefixes
// line by line.
TEST(SuffixArray, SortsSuffixesAndCountsTheirCommonPrefixes) {
    std::mt19937 random(7);
    for (int round = 0; round < 400; ++round) {
        std::vector<std::int32_t> text = generated_text(random, round % 5);
        std::vector<std::int32_t> expected(text.size());
        for (std::size_t at = 0; at < text.size(); ++at) expected[at] = static_cast<std::int32_t>(at);
        std::sort(expected.begin(), expected.end(), [&](std::int32_t a, std::int32_t b) {
            return std::lexicographical_compare(text.begin() + a, text.end(), text.begin() + b, text.end());
        });
        WorkVector<std::int32_t> sorted = suffix_array<std::int32_t>(text, 8);
        ASSERT_EQ(std::vector<std::int32_t>(sorted.begin(), sorted.end()), expected);
        WorkVector<std::int32_t> rank = suffix_ranks<std::int32_t>(sorted);
        for (std::size_t k = 0; k < sorted.size(); ++k) ASSERT_EQ(rank[static_cast<std::size_t>(sorted[k])], k);
        WorkVector<std::int32_t> common =
            common_prefixes<std::int32_t>(WorkVector<std::int32_t>(text.begin(), text.end()), sorted);
        for (std::size_t k = 1; k < sorted.size(); ++k) {
            std::int32_t shared = 0;
            auto before = static_cast<std::size_t>(sorted[k - 1]);
            auto here = static_cast<std::size_t>(sorted[k]);
            while (text[before + static_cast<std::size_t>(shared)] == text[here + static_cast<std::size_t>(shared)])
                ++shared;
            ASSERT_EQ(common[k], shared) << "round " << round << ", rank " << k;
        }
    }
}

}  // namespace
}  // namespace vesk
