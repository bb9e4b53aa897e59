#include "compare/range_min.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <vector>

namespace vesk {
namespace {

// Against looking at every entry, on arrays around the block size of 64 and a
// few blocks longer, with values that make thresholds both rare and common.
TEST(RangeMin, AnswersAsLookingAtEveryEntry) {
    std::mt19937 random(3);
    for (std::size_t size : {1u, 2u, 63u, 64u, 65u, 128u, 129u, 1000u, 5000u}) {
        std::vector<std::int32_t> values(size);
        for (std::int32_t& value : values)
            value = random() % 50 == 0 ? 0 : 5 + static_cast<std::int32_t>(random() % 20);
        RangeMin<std::int32_t> ranges(WorkVector<std::int32_t>(values.begin(), values.end()));
        for (int query = 0; query < 2000; ++query) {
            auto from = static_cast<std::int64_t>(random() % size);
            auto to = from + 1 + static_cast<std::int64_t>(random() % (size - from));
            ASSERT_EQ(ranges.min(from, to), *std::min_element(values.begin() + from, values.begin() + to));
            std::int64_t threshold = random() % 26;
            std::int64_t last = from;
            while (last >= 0 && values[static_cast<std::size_t>(last)] >= threshold) --last;
            std::int64_t first = from;
            while (first < static_cast<std::int64_t>(size) && values[static_cast<std::size_t>(first)] >= threshold)
                ++first;
            ASSERT_EQ(ranges.last_below(from, threshold), last) << size << " from " << from << " below " << threshold;
            ASSERT_EQ(ranges.first_below(from, threshold), first) << size << " from " << from << " below " << threshold;
        }
    }
}

}  // namespace
}  // namespace vesk
