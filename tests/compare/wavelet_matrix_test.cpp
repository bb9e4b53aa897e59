#include "compare/wavelet_matrix.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

namespace vesk {
namespace {

// Bits counted across the lines of 384 bits, against counting them one by one.
TEST(RankedBits, CountsTheOnesBeforeAnyPlace) {
    std::mt19937 random(5);
    for (std::int64_t size : {1, 383, 384, 385, 2000}) {
        std::vector<bool> bits(static_cast<std::size_t>(size));
        RankedBits ranked(size);
        for (std::int64_t place = 0; place < size; ++place) {
            bits[static_cast<std::size_t>(place)] = random() % 3 == 0;
            if (bits[static_cast<std::size_t>(place)]) ranked.set(place);
        }
        ranked.count_ones();
        std::int64_t ones = 0;
        for (std::int64_t place = 0; place <= size; ++place) {
            ASSERT_EQ(ranked.ones_before(place), ones) << size << " at " << place;
            if (place < size) ones += bits[static_cast<std::size_t>(place)];
        }
    }
}

// The nearest number at least (at most) a bound in a range of places, against
// looking at every place; bounds outside the numbers' range included.
TEST(WaveletMatrix, FindsTheNearestNumberInARangeOfPlaces) {
    std::mt19937 random(11);
    for (int bits : {1, 3, 9}) {
        std::vector<std::int32_t> numbers(1 + random() % 700);
        for (std::int32_t& number : numbers) number = static_cast<std::int32_t>(random() % (1u << bits));
        WaveletMatrix matrix(WorkVector<std::int32_t>(numbers.begin(), numbers.end()), bits);
        auto size = static_cast<std::int64_t>(numbers.size());
        for (int query = 0; query < 3000; ++query) {
            std::int64_t from = random() % (size + 1);
            std::int64_t to = from + random() % (size + 1 - from);
            std::int64_t bound = static_cast<std::int64_t>(random() % ((1u << bits) + 2)) - 1;
            std::int64_t least = -1, most = -1;
            for (std::int64_t place = from; place < to; ++place) {
                std::int64_t number = numbers[static_cast<std::size_t>(place)];
                if (number >= bound && (least < 0 || number < least)) least = number;
                if (number <= bound && number > most) most = number;
            }
            ASSERT_EQ(matrix.next_at_least(from, to, bound), least);
            ASSERT_EQ(matrix.previous_at_most(from, to, bound), most);
        }
    }
}

}  // namespace
}  // namespace vesk
