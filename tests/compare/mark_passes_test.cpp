// The passes over the match marks after the matcher: the alignment, the
// recheck of matched pairs, and context marking.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "compare/alignment.h"
#include "compare/context_marks.h"
#include "compare/pair_recheck.h"
#include "hand_run.h"
#include "run_status.h"

namespace vesk {
namespace {

using testing::HandRun;
using testing::letter_lines;

std::optional<int> align(HandRun& hand) {
    return testing::ended_status([&] { align_matches(hand.comparison.first, hand.comparison.second, hand.diagnostics); });
}

TEST(AlignMatches, MovesMatchesUpOverRepeatedLines) {
    const std::string cases[][4] = {  // first, second, marks before, marks after ("/" between the files)
        {"ABABABC", "ABC", "0000111/111", "1100001/111"},
        {"AAA", "AAAAA", "111/00111", "111/11001"},  // by at most the block's length
        {"AB", "A", "01/1", "01/1"},               // a line takes over only from an equal line
        {"XAYAB", "AB", "00011/11", "00011/11"},   // the block's first line differs
        {"AAB", "AAAB", "111/1101", "111/1101"},   // the line after the block differs
    };
    for (const auto& [first, second, before, after] : cases) {
        HandRun hand({}, letter_lines(first), letter_lines(second));
        hand.set_marks(before);
        EXPECT_EQ(align(hand), std::nullopt) << before;
        EXPECT_EQ(hand.marks(), after) << before;
    }
}

TEST(RecheckMatchedPairs, MarksThePairsWhoseTextsDiffer) {
    const struct {
        std::vector<std::string> first, second;
        std::string marks;
        std::uint32_t flags;
        std::uint8_t differing_mark;
        std::string expected;
        bool differs;
    } cases[] = {
        {letter_lines("ab"), letter_lines("ab"), "11/11", 0, MARK_CHANGED_PAIR, "11/11", false},
        {letter_lines("ab"), letter_lines("a"), "10/1", 0, MARK_CHANGED_PAIR, "10/1", true},  // an unmatched line
        {{"A  b \n"}, {"a\tb\n"}, "1/1", OPT_IGNORE_CASE | OPT_SQUEEZE_BLANKS, MARK_CHANGED_PAIR, "1/1", false},
        // The k-th matched line of one file pairs with the k-th of the other.
        {letter_lines("abcd"), {"a\n", "B\n", "c\n", "e\n", "d"}, "1111/11101", 0, MARK_CHANGED_PAIR, "1414/14104",
         true},
        // For the context report a differing pair becomes two unmatched lines.
        {letter_lines("abc"), letter_lines("aBc"), "111/111", 0, MARK_UNMATCHED, "101/101", true},
    };
    for (const auto& c : cases) {
        HandRun hand(testing::options_with(c.flags), c.first, c.second);
        hand.set_marks(c.marks);
        EXPECT_EQ(recheck_matched_pairs(hand.comparison.first, hand.comparison.second, Options{c.flags}.text_rules(), c.differing_mark,
                                        hand.diagnostics),
                  c.differs)
            << c.marks;
        EXPECT_EQ(hand.marks(), c.expected);
    }
}

// Tables long enough to be counted sixteen marks at a time, with the unmatched
// lines anywhere among them.
TEST(LineTable, CountsTheMatchedLines) {
    std::mt19937 random(5);
    for (std::int64_t count : {0, 15, 16, 17, 40, 75}) {
        HandRun hand(std::vector<std::uint32_t>(static_cast<std::size_t>(count), 1u), {});
        std::int64_t matched = 0;
        for (std::int64_t line = 0; line < count; ++line) {
            const std::uint8_t mark =
                random() % 2 == 0 ? MARK_UNMATCHED : random() % 2 == 0 ? MARK_MATCHED : MARK_CHANGED_PAIR;
            hand.comparison.first.marks[line] = mark;
            matched += mark != MARK_UNMATCHED;
        }
        EXPECT_EQ(hand.comparison.first.matched_count(), matched) << count;
    }
}

// Marks that the matcher never leaves: files with different numbers of matched
// lines, or a move that leaves a matched line the other file cannot pair (the
// walk would stand still there).
TEST(MarkPasses, MarksThatCannotPairUpAreAProgramError) {
    const struct {
        bool recheck;  // else the alignment
        std::string first, second, marks;
    } cases[] = {{false, "AB", "AB", "11/01"}, {true, "AB", "AB", "11/01"}, {false, "AAAAB", "AA", "00101/11"}};
    for (const auto& c : cases) {
        HandRun hand({}, letter_lines(c.first), letter_lines(c.second));
        hand.set_marks(c.marks);
        const std::optional<int> status = c.recheck ? testing::ended_status([&] {
            recheck_matched_pairs(hand.comparison.first, hand.comparison.second, TextRules{}, MARK_CHANGED_PAIR, hand.diagnostics);
        }) : align(hand);
        EXPECT_EQ(status, -1) << c.marks;
        EXPECT_EQ(hand.err.captured(), "program error: equal lines unmatch \n") << c.marks;
    }
}

TEST(MarkContext, MarksAroundEveryBlock) {
    const struct {
        std::int32_t context_lines;
        std::string before, after;
    } cases[] = {
        {1, "11011111/1111111", "12031111/1111111"},
        // A block's trailing context is not taken again as the next one's leading context.
        {3, "11011111111011/11011110111111", "22033311222033/22033320333111"},
        {10, "1101/11", "2203/11"},
    };
    for (const auto& c : cases) {
        const std::size_t slash = c.before.find('/');
        HandRun hand({}, letter_lines(std::string(slash, 'a')), letter_lines(std::string(c.before.size() - slash - 1, 'a')));
        hand.set_marks(c.before);
        mark_context(hand.comparison.first, hand.comparison.second, c.context_lines);
        EXPECT_EQ(hand.marks(), c.after) << c.before;
    }
}

}  // namespace
}  // namespace vesk
