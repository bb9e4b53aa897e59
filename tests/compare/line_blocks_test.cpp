#include "compare/line_blocks.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "compare/fingerprint_pair.h"

namespace vesk {
namespace {

using Lines = std::vector<std::uint32_t>;

template <class Index>
class LineBlocksTest : public ::testing::Test {};

using IndexTypes = ::testing::Types<std::int32_t, std::int64_t>;
TYPED_TEST_SUITE(LineBlocksTest, IndexTypes);

struct RestCase {
    const char* name;
    const char* lines;
    std::vector<std::int64_t> rests;
};

TYPED_TEST(LineBlocksTest, RestsCountToTheEndOfTheBlock) {
    const RestCase cases[] = {
        {"no lines", "", {}},
        {"one line", "A", {1}},
        {"all distinct", "ABC", {1, 1, 1}},
        {"one block", "AAA", {3, 2, 1}},
        {"blocks of one line apart", "ABA", {1, 1, 1}},
        {"block at the end", "ABBB", {1, 3, 2, 1}},
    };
    for (const RestCase& c : cases) {
        SCOPED_TRACE(c.name);
        Lines lines = FingerprintPair::letters(c.lines);
        auto rests = block_rests<TypeParam>(lines.data(), static_cast<std::int64_t>(lines.size()));
        EXPECT_EQ(std::vector<std::int64_t>(rests.begin(), rests.end()), c.rests);
    }
}

// A block too long for 16 bits: its first lines are capped, from 65,535 lines
// before its end on they are exact.
TEST(BlockRests, CappedAtTheTypesHighestValue) {
    const Lines lines(65537, 7);
    auto rests = block_rests<std::uint16_t>(lines.data(), 65537);
    EXPECT_EQ(rests[0], 65535);
    EXPECT_EQ(rests[2], 65535);
    EXPECT_EQ(rests[3], 65534);
    EXPECT_EQ(rests[65536], 1);
}

template <class Index>
BlockIndex<Index> index_of(const Lines& first, const Lines& second) {
    return BlockIndex<Index>(first.data(), static_cast<std::int64_t>(first.size()), second.data(),
                             static_cast<std::int64_t>(second.size()));
}

TYPED_TEST(LineBlocksTest, GroupsHoldTheirBlocksInFileOrder) {
    Lines first = FingerprintPair::letters("BXA");
    Lines second = FingerprintPair::letters("AABAAAB");
    auto index = index_of<TypeParam>(first, second);
    std::int64_t a = index.group_of(2);
    std::int64_t b = index.group_of(0);
    EXPECT_EQ(index.group_of(1), -1);
    auto as = index.blocks(a);
    ASSERT_EQ(as.size(), 2u);
    EXPECT_EQ(as[0].start, 0);
    EXPECT_EQ(as[0].end, 2);
    EXPECT_EQ(as[1].start, 3);
    EXPECT_EQ(as[1].end, 6);
    ASSERT_EQ(index.blocks(b).size(), 2u);
    EXPECT_EQ(index.blocks(b)[1].start, 6);
    // first_ending_after: a block holding the line counts, one ending at it does not.
    EXPECT_EQ(first_ending_after(as, 0), 0);
    EXPECT_EQ(first_ending_after(as, 1), 0);
    EXPECT_EQ(first_ending_after(as, 2), 1);
    EXPECT_EQ(first_ending_after(as, 5), 1);
    EXPECT_EQ(first_ending_after(as, 6), 2);
}

// A block of two lines, then 300 single lines of the same text each behind a
// line of its own, then a block of three: the steps from the first block pass
// only blocks no longer than it and end at the three-line one.
TYPED_TEST(LineBlocksTest, StepsToTheNextLongerBlockPassOnlyShorterOnes) {
    constexpr std::int64_t SINGLES = 300;
    Lines second = {'}', '}'};
    for (std::int64_t single = 0; single < SINGLES; ++single) second.insert(second.end(), {'x', '}'});
    second.insert(second.end(), {'x', '}', '}', '}'});
    Lines first = {'}'};
    auto index = index_of<TypeParam>(first, second);
    std::int64_t group = index.group_of(0);
    auto blocks = index.blocks(group);
    ASSERT_EQ(blocks.size(), static_cast<std::size_t>(SINGLES + 2));
    auto length = [&](std::int64_t position) { return blocks[static_cast<std::size_t>(position)].length(); };
    std::int64_t position = 0;
    do {
        std::int64_t next = index.next_longer(group, position);
        ASSERT_GT(next, position);
        for (std::int64_t passed = position + 1; passed < next; ++passed) ASSERT_LE(length(passed), 2);
        position = next;
    } while (position < SINGLES + 2 && length(position) <= 2);
    EXPECT_EQ(position, SINGLES + 1);
    EXPECT_EQ(length(position), 3);
    EXPECT_EQ(index.next_longer(group, position), SINGLES + 2);
}

}  // namespace
}  // namespace vesk
