#include "report/normal_report.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "report_fixture.h"
#include "run_status.h"

namespace vesk {
namespace {

using testing::ended_status;
using testing::HandRun;
using testing::letter_lines;
using testing::options_with;

struct ReportCase {
    const char* name;
    std::vector<std::string> first;
    std::vector<std::string> second;
    std::string marks_first;
    std::string marks_second;
    std::uint32_t flags;
    std::string out;
    int result;
};

void expect_report(const ReportCase& c) {
    HandRun hand(options_with(c.flags), c.first, c.second);
    hand.set_marks(c.marks_first, c.marks_second);
    EXPECT_EQ(print_normal_report(hand.comparison), c.result != 0) << c.name;
    EXPECT_EQ(hand.out.captured(), c.out) << c.name;
    EXPECT_EQ(hand.err.captured(), "") << c.name;
}

TEST(NormalReport, Blocks) {
    const ReportCase cases[] = {
        {"both empty", {}, {}, "", "", 0, "", 0},
        {"identical", letter_lines("abc"), letter_lines("abc"), "111", "111", 0, "", 0},
        {"change then add", letter_lines("abcd"), letter_lines("axcde"), "1011", "10110", 0,
         "change: 2 : 2\n\tb\n------\n\tx\n"
         "add   : 4 : 5\n\te\n",
         1},
        {"first file empty", {}, letter_lines("xyz"), "", "000", 0, "add   : 0 : 1,3\n\tx\n\ty\n\tz\n", 1},
        {"second file empty", letter_lines("xyz"), {}, "000", "", 0, "delete: 1,3 : 0\n\tx\n\ty\n\tz\n", 1},
        {"first line deleted", letter_lines("ab"), letter_lines("b"), "01", "1", 0, "delete: 1 : 0\n\ta\n", 1},
        {"added before line 1", letter_lines("b"), letter_lines("ab"), "1", "01", 0, "add   : 0 : 1\n\ta\n", 1},
        {"deleted inside", letter_lines("abc"), letter_lines("ac"), "101", "11", 0, "delete: 2 : 1\n\tb\n", 1},
        {"added at the end", letter_lines("a"), letter_lines("abc"), "1", "100", 0, "add   : 1 : 2,3\n\tb\n\tc\n", 1},
        {"two against three", letter_lines("abcd"), letter_lines("axyzd"), "1001", "10001", 0,
         "change: 2,3 : 2,4\n\tb\n\tc\n------\n\tx\n\ty\n\tz\n", 1},
        {"three against one", letter_lines("abcdef"), letter_lines("abcxf"), "111001", "11101", 0,
         "change: 4,5 : 4\n\td\n\te\n------\n\tx\n", 1},
        {"change at the end", letter_lines("ab"), letter_lines("ax"), "10", "10", 0,
         "change: 2 : 2\n\tb\n------\n\tx\n", 1},
        {"nothing matched: one change", letter_lines("abc"), letter_lines("x"), "000", "0", 0,
         "change: 1,3 : 1\n\ta\n\tb\n\tc\n------\n\tx\n", 1},
    };
    for (const ReportCase& c : cases) expect_report(c);
}

TEST(NormalReport, ChangedPairsAreChangesOfOneLine) {
    const ReportCase cases[] = {
        {"alone", {"a\n"}, {"a"}, "4", "4", 0, "change: 1 : 1\n\ta\n------\n\ta\n", 1},
        {"in a run", {"x\n", "ABC\n", "y\n"}, {"x\n", "abc\n", "y\n"}, "141", "141", 0,
         "change: 2 : 2\n\tABC\n------\n\tabc\n", 1},
        {"two in a row stay apart", {"a\n", "b\n"}, {"A\n", "B\n"}, "44", "44", 0,
         "change: 1 : 1\n\ta\n------\n\tA\n"
         "change: 2 : 2\n\tb\n------\n\tB\n",
         1},
    };
    for (const ReportCase& c : cases) expect_report(c);
}

// A change block shown in replacement form carries "^"; a changed pair keeps
// the plain prefix, even where its lines were shown in that form.
TEST(NormalReport, ReplacementFormOnlyInChangeBlocks) {
    HandRun hand(options_with(OPT_INLINE_REPLACE), {"abc\n", "same\n", "abc\n"},
                 {"abcdef\n", "same\n", "abcdef\n"});
    hand.set_marks("014", "014");
    EXPECT_TRUE(print_normal_report(hand.comparison));
    EXPECT_EQ(hand.out.captured(),
              "change: 1 : 1\n^\tabc\n------\n^\tabcdef\n"
              "change: 3 : 3\n\tabc\n------\n\tabcdef\n");
}

struct FailureCase {
    const char* name;
    std::string first;
    std::string second;
    std::string marks_first;
    std::string marks_second;
    std::string out;
    std::string err;
};

// Marks that no earlier phase leaves: each consistency check ends the run with
// -1, and what was printed before stays printed.
TEST(NormalReport, InconsistentMarks) {
    const FailureCase cases[] = {
        // A context mark counts as matched but stops the block: the header is
        // printed before the check.
        {"delete without lines", "a", "", "2", "", "delete: 1,0 : 0\n", "program error: add lines none\n"},
        // The end of a file reads as unmatched, opposite a matched line that is
        // a delete: the check that an add block has lines can never fail.
        {"delete from an exhausted file", "", "a", "", "3", "delete: 1,0 : 0\n", "program error: add lines none\n"},
        {"after a printed change", "ab", "x", "02", "0", "change: 1 : 1\n\ta\n------\n\tx\ndelete: 2,1 : 1\n",
         "program error: add lines none\n"},
    };
    for (const FailureCase& c : cases) {
        HandRun hand({}, letter_lines(c.first), letter_lines(c.second));
        hand.set_marks(c.marks_first, c.marks_second);
        EXPECT_EQ(ended_status([&] { print_normal_report(hand.comparison); }), -1) << c.name;
        EXPECT_EQ(hand.out.captured(), c.out) << c.name;
        EXPECT_EQ(hand.err.captured(), c.err) << c.name;
    }
}

}  // namespace
}  // namespace vesk
