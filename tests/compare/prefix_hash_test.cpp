#include "compare/prefix_hash.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace vesk {
namespace {

// The same three values at every offset modulo four, and a differing stretch: a
// prefix that is recomputed must come out as the one that is kept.
TEST(PrefixHash, EqualStretchesHashAlikeWhereverTheyStand) {
    const std::vector<std::uint32_t> values = {7, 0, 0xFFFFFFFFu, 5, 7, 0, 0xFFFFFFFFu, 9, 9, 7, 0, 0xFFFFFFFFu,
                                               7, 0, 0xFFFFFFFFu, 7, 0, 1};
    const auto count = static_cast<std::int64_t>(values.size());
    FullPrefixHash every(values.data(), count);
    SparsePrefixHash sparse(values.data(), count);
    const std::uint64_t shift = stretch_shift(3);
    const std::uint64_t stretch = every.of(0, 3, shift);
    for (std::int64_t from : {0, 4, 9, 12}) {
        SCOPED_TRACE(from);
        EXPECT_EQ(every.of(from, 3, shift), stretch);
        EXPECT_EQ(sparse.of(from, 3, shift), stretch);
    }
    EXPECT_NE(every.of(15, 3, shift), stretch);
    EXPECT_NE(sparse.of(15, 3, shift), stretch);
    EXPECT_EQ(sparse.of(1, count - 1, stretch_shift(count - 1)),
              every.of(1, count - 1, stretch_shift(count - 1)));
}

// Zeros count as values: runs of different lengths differ.
TEST(PrefixHash, RunsOfZerosDifferByLength) {
    const std::vector<std::uint32_t> zeros(6, 0);
    SparsePrefixHash sparse(zeros.data(), 6);
    EXPECT_NE(sparse.of(0, 2, stretch_shift(2)), sparse.of(0, 3, stretch_shift(3)));
    EXPECT_EQ(sparse.of(1, 5, stretch_shift(5)), sparse.of(0, 5, stretch_shift(5)));
}

}  // namespace
}  // namespace vesk
