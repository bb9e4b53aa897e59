#include "compare/alignment.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "report/report_fixture.h"
#include "run_status.h"

namespace vesk {
namespace {

using testing::HandRun;
using testing::ended_status;
using testing::letter_lines;

struct AlignCase {
    const char* name;
    std::string first;  // one letter per line
    std::string second;
    std::string marks_before_first;
    std::string marks_before_second;
    std::string marks_after_first;
    std::string marks_after_second;
};

TEST(AlignMatches, MovesMatchesUpOverRepeatedLines) {
    const AlignCase cases[] = {
        {"repeats in the first file", "ABABABC", "ABC", "0000111", "111", "1100001", "111"},
        {"repeats in the second file", "ABC", "ABABABC", "111", "0000111", "111", "1100001"},
        {"whole block moves", "AB", "ABAB", "11", "0011", "11", "1100"},
        {"by at most the block's length", "A", "AAA", "1", "001", "1", "100"},
        {"first line of the block differs", "XAYAB", "AB", "00011", "11", "00011", "11"},
        {"line after the block differs", "AAB", "AAAB", "111", "1101", "111", "1101"},
        {"change passed over", "ABC", "AXC", "101", "101", "101", "101"},
        {"nothing matched", "AB", "CD", "00", "00", "00", "00"},
        {"first file empty", "", "AB", "", "00", "", "00"},
        {"second file empty", "AB", "", "00", "", "00", ""},
        {"both empty", "", "", "", "", "", ""},
        {"identical", "ABC", "ABC", "111", "111", "111", "111"},
    };
    for (const AlignCase& c : cases) {
        HandRun hand({}, letter_lines(c.first), letter_lines(c.second));
        hand.set_marks(c.marks_before_first, c.marks_before_second);
        EXPECT_EQ(ended_status([&] { align_matches(hand.comparison.first, hand.comparison.second, hand.diagnostics); }),
                  std::nullopt)
            << c.name;
        EXPECT_EQ(hand.first_marks(), c.marks_after_first) << c.name;
        EXPECT_EQ(hand.second_marks(), c.marks_after_second) << c.name;
        EXPECT_EQ(hand.err.captured(), "") << c.name;
    }
}

TEST(AlignMatches, UnequalMatchCountsChangeNothing) {
    HandRun hand({}, letter_lines("AB"), letter_lines("AB"));
    hand.set_marks("11", "10");
    EXPECT_EQ(ended_status([&] { align_matches(hand.comparison.first, hand.comparison.second, hand.diagnostics); }), -1);
    EXPECT_EQ(hand.err.captured(), "program error: equal lines unmatch \n");
    EXPECT_EQ(hand.first_marks(), "11");
    EXPECT_EQ(hand.second_marks(), "10");
}

// A move that takes over a mark from a line that had none leaves the first file
// with a matched line that the second file cannot pair: the walk would stand
// still there, so it gives up with the message instead.
TEST(AlignMatches, WalkThatCannotGoOnFails) {
    HandRun hand({}, letter_lines("AAAAB"), letter_lines("AA"));
    hand.set_marks("00101", "11");
    EXPECT_EQ(ended_status([&] { align_matches(hand.comparison.first, hand.comparison.second, hand.diagnostics); }), -1);
    EXPECT_EQ(hand.err.captured(), "program error: equal lines unmatch \n");
}

// Whatever the marks, the walk ends and leaves only 0s and 1s.
TEST(AlignMatches, EndsOnAnyMarks) {
    std::mt19937 random(7);
    for (int round = 0; round < 3000; ++round) {
        auto text = [&random](int length) {
            std::string letters;
            for (int at = 0; at < length; ++at) letters.push_back(static_cast<char>('A' + random() % 2));
            return letters;
        };
        auto marks = [&random](std::size_t length) {
            std::string digits;
            for (std::size_t at = 0; at < length; ++at) digits.push_back(random() % 2 != 0 ? '1' : '0');
            return digits;
        };
        std::string first = text(static_cast<int>(random() % 7)), second = text(static_cast<int>(random() % 7));
        HandRun hand({}, letter_lines(first), letter_lines(second));
        hand.set_marks(marks(first.size()), marks(second.size()));
        auto status = ended_status([&] { align_matches(hand.comparison.first, hand.comparison.second, hand.diagnostics); });
        EXPECT_TRUE(!status || *status == -1);
        EXPECT_EQ(hand.first_marks().find_first_not_of("01"), std::string::npos);
        EXPECT_EQ(hand.second_marks().find_first_not_of("01"), std::string::npos);
    }
}

}  // namespace
}  // namespace vesk
