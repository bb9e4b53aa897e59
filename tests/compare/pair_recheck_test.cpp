#include "compare/pair_recheck.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "report/report_fixture.h"
#include "run_status.h"

namespace vesk {
namespace {

using testing::ended_status;
using testing::HandRun;
using testing::letter_lines;
using testing::options_with;

struct RecheckCase {
    const char* name;
    std::vector<std::string> first;
    std::vector<std::string> second;
    std::string marks_first;  // as the matcher and the alignment leave them
    std::string marks_second;
    std::uint32_t flags;
    std::string expected_first;  // differing pairs marked 4
    std::string expected_second;
    bool differs;
};

TEST(RecheckMatchedPairs, MarksThePairsWhoseTextsDiffer) {
    const RecheckCase cases[] = {
        {"both empty", {}, {}, "", "", 0, "", "", false},
        {"equal", letter_lines("ab"), letter_lines("ab"), "11", "11", 0, "11", "11", false},
        {"a block is a difference", letter_lines("ab"), letter_lines("a"), "10", "1", 0, "10", "1", true},
        {"missing final newline", {"a\n"}, {"a"}, "1", "1", 0, "4", "4", true},
        {"case differs", {"x\n", "ABC\n"}, {"x\n", "abc\n"}, "11", "11", 0, "14", "14", true},
        {"case ignored", {"ABC\n"}, {"abc\n"}, "1", "1", OPT_IGNORE_CASE, "1", "1", false},
        {"blanks squeezed", {"a  b \n"}, {"a\tb\n"}, "1", "1", OPT_SQUEEZE_BLANKS, "1", "1", false},
        {"leading blank", {" a\n"}, {"a\n"}, "1", "1", OPT_SQUEEZE_BLANKS, "4", "4", true},
        // The k-th matched line of one file pairs with the k-th of the other.
        {"pairs across blocks", {"a\n", "b\n", "c\n", "d\n"}, {"a\n", "B\n", "c\n", "e\n", "d"}, "1111", "11101",
         0, "1414", "14104", true},
        // Two lines exchanging bytes 256 apart share a fingerprint.
        {"fingerprint collision", {"x" + std::string(255, '.') + "y\n", "z\n"},
         {"y" + std::string(255, '.') + "x\n", "z\n"}, "11", "11", 0, "41", "41", true},
    };
    for (const RecheckCase& c : cases) {
        HandRun hand(options_with(c.flags), c.first, c.second);
        hand.set_marks(c.marks_first, c.marks_second);
        EXPECT_EQ(recheck_matched_pairs(hand.comparison.first, hand.comparison.second, c.flags, MARK_CHANGED_PAIR, hand.diagnostics),
                  c.differs)
            << c.name;
        EXPECT_EQ(hand.first_marks(), c.expected_first) << c.name;
        EXPECT_EQ(hand.second_marks(), c.expected_second) << c.name;
    }
}

// For the context report a differing pair becomes two unmatched lines.
TEST(RecheckMatchedPairs, UnmatchesDifferingPairsForTheContextReport) {
    HandRun hand({}, {"a\n", "b\n", "c\n"}, {"a\n", "B\n", "c\n"});
    hand.set_marks("111", "111");
    EXPECT_TRUE(recheck_matched_pairs(hand.comparison.first, hand.comparison.second, 0, MARK_UNMATCHED, hand.diagnostics));
    EXPECT_EQ(hand.first_marks() + "/" + hand.second_marks(), "101/101");
}

TEST(RecheckMatchedPairs, UnequalMatchCountsAreAProgramError) {
    HandRun hand({}, letter_lines("ab"), letter_lines("ab"));
    hand.set_marks("11", "01");
    EXPECT_EQ(ended_status([&] {
                  recheck_matched_pairs(hand.comparison.first, hand.comparison.second, 0, MARK_CHANGED_PAIR, hand.diagnostics);
              }),
              -1);
    EXPECT_EQ(hand.err.captured(), "program error: equal lines unmatch \n");
    EXPECT_EQ(hand.first_marks() + "/" + hand.second_marks(), "11/01");
}

}  // namespace
}  // namespace vesk
