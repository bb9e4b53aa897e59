#include "report/context_report.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "report_fixture.h"

namespace vesk {
namespace {

using testing::HandRun;
using testing::letter_lines;
using testing::options_with;

struct ContextReportCase {
    const char* name;
    std::string first;  // one letter per line
    std::string second;
    std::string marks_first;  // as context marking leaves them
    std::string marks_second;
    std::string out;
};

TEST(ContextReport, BlocksWithTheirContext) {
    const ContextReportCase cases[] = {
        {"one line changed, c=1", "abcde", "abxde", "12031", "12031",
         "Change: 2,4 : 2,4\n\tb\n!\tc\n\td\n------\n\tb\n!\tx\n\td\n"},
        {"one line deleted, c=1", "abcd", "acd", "2031", "111", "Delete: 1,3 : 1\n\ta\n-\tb\n\tc\n"},
        {"added around a line, c=1", "a", "xay", "1", "030",
         "Add   : 0 : 1,2\n+\tx\n\ta\n"
         "Add   : 1 : 3\n+\ty\n"},
        {"deleted around a line, c=1", "xay", "a", "030", "1",
         "Delete: 1,2 : 0\n-\tx\n\ta\n"
         "Delete: 3 : 1\n-\ty\n"},
        {"first file empty", "", "xyz", "", "000", "Add   : 0 : 1,3\n+\tx\n+\ty\n+\tz\n"},
        {"second file empty", "xyz", "", "000", "", "Delete: 1,3 : 0\n-\tx\n-\ty\n-\tz\n"},
        {"blocks at the first and last line, c=2", "abcde", "xbcdy", "03320", "03320",
         "Change: 1,3 : 1,3\n!\ta\n\tb\n\tc\n------\n!\tx\n\tb\n\tc\n"
         "Change: 4,5 : 4,5\n\td\n!\te\n------\n\td\n!\ty\n"},
        {"two changes four lines apart, c=3", "abcdefghijklmn", "abXdefgYijklmn", "22033320333111",
         "22033320333111",
         "Change: 1,6 : 1,6\n\ta\n\tb\n!\tc\n\td\n\te\n\tf\n------\n\ta\n\tb\n!\tX\n\td\n\te\n\tf\n"
         "Change: 7,11 : 7,11\n\tg\n!\th\n\ti\n\tj\n\tk\n------\n\tg\n!\tY\n\ti\n\tj\n\tk\n"},
        {"added before the first line, c=1", "bc", "abc", "11", "031", "Add   : 0 : 1,2\n+\ta\n\tb\n"},
        {"two against one, c=1", "abcd", "axd", "2003", "203",
         "Change: 1,4 : 1,3\n\ta\n!\tb\n!\tc\n\td\n------\n\ta\n!\tx\n\td\n"},
    };
    for (const ContextReportCase& c : cases) {
        HandRun hand(options_with(OPT_CONTEXT, 1), letter_lines(c.first), letter_lines(c.second));
        hand.set_marks(c.marks_first, c.marks_second);
        EXPECT_TRUE(print_context_report(hand.comparison)) << c.name;
        EXPECT_EQ(hand.out.captured(), c.out) << c.name;
        EXPECT_EQ(hand.err.captured(), "") << c.name;
    }
}

TEST(ContextReport, NothingToReport) {
    HandRun empty(options_with(OPT_CONTEXT, 3), {}, {});
    EXPECT_FALSE(print_context_report(empty.comparison));
    HandRun same(options_with(OPT_CONTEXT, 3), letter_lines("ab"), letter_lines("ab"));
    same.set_marks("11", "11");
    EXPECT_FALSE(print_context_report(same.comparison));
    EXPECT_EQ(empty.out.captured() + same.out.captured(), "");
}

// Pairs that differ are made unmatched lines before this report runs; one
// that is still marked as a changed pair is shown on its own, without context.
TEST(ContextReport, ChangedPair) {
    HandRun hand(options_with(OPT_CONTEXT, 1), {"a\n", "b\n"}, {"a\n", "b"});
    hand.set_marks("14", "14");
    EXPECT_TRUE(print_context_report(hand.comparison));
    EXPECT_EQ(hand.out.captured(), "Change: 2 : 2\n!\tb\n------\n!\tb\n");
}

}  // namespace
}  // namespace vesk
