// The line writer and both reports, on runs built by hand with the marks that
// the comparison phases would leave (the whole-run property test holds plain
// blocks to the files; these are the forms it does not read).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "report/context_report.h"
#include "report/line_writer.h"
#include "report/normal_report.h"
#include "hand_run.h"
#include "run_status.h"

namespace vesk {
namespace {

using testing::letter_lines;
using testing::options_with;

// A line that stays in its mapped file is followed by the next line; a form
// feed takes one column before it is shown as "^L".
TEST(PrintLine, TextUpToItsNewlineWithTabStops) {
    const std::string cases[][3] = {{"", "abc\nnext\n", "\tabc\n"},
                                    {"-t", "a\tb\n\tnext\n", "\ta   b\n"},
                                    {"-t", "\f\tx\n", "\t^L   x\n"}};
    for (const auto& [tab_stop, text, expected] : cases) {
        testing::HandRun hand(options_with(tab_stop.empty() ? 0 : OPT_TAB_STOP, 0, 4), {}, {});
        print_line(hand.comparison, {LineKind::common, "\t"}, text.c_str());
        EXPECT_EQ(hand.out.captured(), expected);
    }
}

TEST(ExpandTabs, TheLongestLineIs4095Characters) {
    for (auto [tab_width, text, too_long] : {std::tuple{8, std::string(4094, 'a') + "\n", false},
                                             {8, std::string(4095, 'a') + "\n", true}, {4095, std::string("\t"), false},
                                             {4095, std::string("\t\n"), true}, {2147483647, std::string("a\tb\n"), true}}) {
        Output out;
        TabExpansion expansion;
        EXPECT_EQ(testing::ended_status([&] { expand_tabs(out, tab_width, text, expansion); }).has_value(), too_long)
            << tab_width << " " << text.size();
    }
}

// The message goes to standard output after what was printed, with the line's
// text right-aligned in 256 columns, cut there.
TEST(PrintLine, TooLongLineEndsTheRunWithAMessageOnStandardOutput) {
    testing::HandRun hand(options_with(OPT_TAB_STOP, 0, 4095), {}, {});
    print_line(hand.comparison, {LineKind::common, "\t"}, "x\n");
    EXPECT_EQ(testing::ended_status([&] { print_line(hand.comparison, {LineKind::deleted, "!\t"}, "\t\n"); }), 1);
    const std::string cut = std::string(300, 'y') + "\t\n";
    EXPECT_EQ(testing::ended_status([&] { print_line(hand.comparison, {LineKind::common, "\t"}, cut.c_str()); }), 1);
    EXPECT_EQ(hand.out.captured(), "\tx\nError: " + std::string(254, ' ') + "\t\n ... too long line\n" +
                                       "Error: " + std::string(256, 'y') + " ... too long line\n");
    EXPECT_EQ(hand.err.captured(), "");
}

TEST(Reports, BlocksAndChangedPairs) {
    const struct {
        const char* name;
        std::vector<std::string> first, second;
        std::string marks;  // as the comparison phases leave them, "/" between the files
        std::uint32_t flags;
        std::string out;
        int result;  // -1: ended by a consistency check, with its message
    } cases[] = {
        {"second file empty", letter_lines("xyz"), {}, "000/", 0, "delete: 1,3 : 0\n\tx\n\ty\n\tz\n", 1},
        {"first line deleted", letter_lines("ab"), letter_lines("b"), "01/1", 0, "delete: 1 : 0\n\ta\n", 1},
        {"changed pairs in a row stay apart", {"x\n", "a\n", "b\n"}, {"x\n", "A\n", "B\n"}, "144/144", 0,
         "change: 2 : 2\n\ta\n------\n\tA\nchange: 3 : 3\n\tb\n------\n\tB\n", 1},
        // "^" only in change blocks: a changed pair keeps the plain prefix.
        {"-X: a block, then a changed pair", {"abc\n", "same\n", "abc\n"}, {"abcdef\n", "same\n", "abcdef\n"},
         "014/014", OPT_INLINE_REPLACE, "change: 1 : 1\n^\tabc\n------\n^\tabcdef\nchange: 3 : 3\n\tabc\n------\n\tabcdef\n",
         1},
        {"-X wins over -x; each pair of a block decides alone", {"abc\n", "foo 1\n"}, {"abcdef\n", "foo 2\n"},
         "00/00", OPT_INLINE_WORDS | OPT_INLINE_REPLACE,
         "change: 1,2 : 1,2\n^\tabc\n\t    1 \n------\n^\tabcdef\n\t    2 \n", 1},
        {"-x leaves blocks of unequal size whole", {"ab\n"}, {"ab\n", "c\n"}, "0/00", OPT_INLINE_WORDS,
         "change: 1 : 1,2\n\tab\n------\n\tab\n\tc\n", 1},
        {"-X -t 4: a hidden tab keeps the columns", {"\tv = 1;\n"}, {"\tv = 12;\n"}, "0/0",
         OPT_INLINE_REPLACE | OPT_TAB_STOP, "change: 1 : 1\n^\t        1\n------\n^\t        12\n", 1},
        // Marks that no earlier phase leaves: a context mark counts as matched but
        // stops the block, after its header.
        {"delete without lines", letter_lines("a"), {}, "2/", 0, "delete: 1,0 : 0\n", -1},
        {"what was printed stays", letter_lines("ab"), letter_lines("x"), "02/0", 0,
         "change: 1 : 1\n\ta\n------\n\tx\ndelete: 2,1 : 1\n", -1},
        // The context report, -c1 unless said.
        {"-c: added around a line", letter_lines("a"), letter_lines("xay"), "1/030", OPT_CONTEXT,
         "Add   : 0 : 1,2\n+\tx\n\ta\nAdd   : 1 : 3\n+\ty\n", 1},
        {"-c2: blocks at the first and last line", letter_lines("abcde"), letter_lines("xbcdy"), "03320/03320",
         OPT_CONTEXT, "Change: 1,3 : 1,3\n!\ta\n\tb\n\tc\n------\n!\tx\n\tb\n\tc\nChange: 4,5 : 4,5\n\td\n!\te\n------\n\td\n!\ty\n",
         1},
        {"-c3: trailing context is not shown again as leading", letter_lines("abcdefghijklmn"),
         letter_lines("abXdefgYijklmn"), "22033320333111/22033320333111", OPT_CONTEXT,
         "Change: 1,6 : 1,6\n\ta\n\tb\n!\tc\n\td\n\te\n\tf\n------\n\ta\n\tb\n!\tX\n\td\n\te\n\tf\n"
         "Change: 7,11 : 7,11\n\tg\n!\th\n\ti\n\tj\n\tk\n------\n\tg\n!\tY\n\ti\n\tj\n\tk\n", 1},
        {"-c: -x and -X have no effect", {"one two\n"}, {"one too\n"}, "0/0",
         OPT_CONTEXT | OPT_INLINE_WORDS | OPT_INLINE_REPLACE, "Change: 1 : 1\n!\tone two\n------\n!\tone too\n", 1},
        // A pair still marked as changed is shown on its own, without context.
        {"-c: a changed pair", letter_lines("ab"), {"a\n", "b"}, "14/14", OPT_CONTEXT,
         "Change: 2 : 2\n!\tb\n------\n!\tb\n", 1},
    };
    for (const auto& c : cases) {
        const bool context = (c.flags & OPT_CONTEXT) != 0;
        testing::HandRun hand(options_with(c.flags, context ? 1 : 0, 4), c.first, c.second);
        hand.set_marks(c.marks);
        bool printed = false;
        const std::optional<int> ended = testing::ended_status(
            [&] { printed = context ? print_context_report(hand.comparison) : print_normal_report(hand.comparison); });
        EXPECT_EQ(ended ? *ended : int{printed}, c.result) << c.name;
        EXPECT_EQ(hand.out.captured(), c.out) << c.name;
        EXPECT_EQ(hand.err.captured(), c.result < 0 ? "program error: add lines none\n" : "") << c.name;
    }
}

}  // namespace
}  // namespace vesk
