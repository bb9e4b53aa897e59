#include "report/line_writer.h"

#include <gtest/gtest.h>

#include <string>

#include "report_fixture.h"
#include "support/run_end.h"

namespace vesk {
namespace {

using testing::HandRun;
using testing::options_with;

struct LineCase {
    const char* name;
    Options options;
    LineKind kind;
    bool added;
    std::string text;
    std::string expected;
};

std::string printed(const Options& options, LineKind kind, const std::string& text, bool added) {
    HandRun hand(options, {}, {});
    print_line(hand.comparison, kind, text.c_str(), added);
    return hand.out.captured();
}

TEST(PrintLine, TextFormFeedsAndNewline) {
    const Options plain = options_with(0);
    const LineCase cases[] = {
        {"with newline", plain, KIND_PLAIN, 0, "abc\n", "\tabc\n"},
        {"last line without newline", plain, KIND_PLAIN, 0, "abc", "\tabc\n"},
        {"empty line", plain, KIND_PLAIN, 0, "\n", "\t\n"},
        {"form feed inside", plain, KIND_PLAIN, 0, "a\fb\n", "\ta^Lb\n"},
        {"two form feeds", plain, KIND_PLAIN, 0, "\f\f\n", "\t^L^L\n"},
        {"only a form feed", plain, KIND_PLAIN, 0, "\f\n", "\t^L\n"},
        {"form feed last, no newline", plain, KIND_PLAIN, 0, "a\f", "\ta^L\n"},
        {"escape unchanged", plain, KIND_PLAIN, 0, "\x1b[1mx\n", "\t\x1b[1mx\n"},
        {"tabs kept without -t", plain, KIND_PLAIN, 0, "a\tb\n", "\ta\tb\n"},
        // A line that stays in its mapped file is followed by the next line.
        {"followed by the next line", plain, KIND_PLAIN, 0, "abc\nnext\n", "\tabc\n"},
        {"followed, tabs expanded", options_with(OPT_TAB_STOP, 0, 4), KIND_PLAIN, 0, "a\tb\n\tnext\n", "\ta   b\n"},
    };
    for (const LineCase& c : cases) EXPECT_EQ(printed(c.options, c.kind, c.text, c.added), c.expected) << c.name;
}

TEST(PrintLine, PrefixOfEachKind) {
    const Options normal = options_with(0), context = options_with(OPT_CONTEXT, 3);
    const LineCase cases[] = {
        {"changed without -c", normal, KIND_CHANGED, 0, "x\n", "\tx\n"},
        {"unpaired without -c", normal, KIND_UNPAIRED, 1, "x\n", "\tx\n"},
        {"replaced without -c", normal, KIND_REPLACED, 0, "x\n", "^\tx\n"},
        {"plain with -c", context, KIND_PLAIN, 1, "x\n", "\tx\n"},
        {"changed with -c", context, KIND_CHANGED, 0, "x\n", "!\tx\n"},
        {"deleted with -c", context, KIND_UNPAIRED, 0, "x\n", "-\tx\n"},
        {"added with -c", context, KIND_UNPAIRED, 1, "x\n", "+\tx\n"},
        {"replaced with -c", context, KIND_REPLACED, 0, "x\n", "^\tx\n"},
    };
    for (const LineCase& c : cases) EXPECT_EQ(printed(c.options, c.kind, c.text, c.added), c.expected) << c.name;
}

TEST(PrintLine, TabExpansion) {
    const LineCase cases[] = {
        {"stop 4 after two bytes", options_with(OPT_TAB_STOP, 0, 4), KIND_PLAIN, 0, "ab\tc\n", "\tab  c\n"},
        {"stop 8 at column 0", options_with(OPT_TAB_STOP, 0, 8), KIND_PLAIN, 0, "\tx\n", "\t        x\n"},
        {"stop 1", options_with(OPT_TAB_STOP, 0, 1), KIND_PLAIN, 0, "a\t\tb\n", "\ta  b\n"},
        {"a full stop's worth at a stop", options_with(OPT_TAB_STOP, 0, 4), KIND_PLAIN, 0, "abcd\te", "\tabcd    e\n"},
        // The form feed takes one column before it is shown as two characters.
        {"form feed counts one column", options_with(OPT_TAB_STOP, 0, 4), KIND_PLAIN, 0, "\f\tx\n", "\t^L   x\n"},
        // A double-byte character is two columns.
        {"bytes are columns", options_with(OPT_TAB_STOP, 0, 4), KIND_PLAIN, 0, "\x82\xa0\tx\n", "\t\x82\xa0  x\n"},
        {"prefix tab never expanded", options_with(OPT_TAB_STOP | OPT_CONTEXT, 2, 4), KIND_CHANGED, 0, "\tx\n",
         "!\t    x\n"},
    };
    for (const LineCase& c : cases) EXPECT_EQ(printed(c.options, c.kind, c.text, c.added), c.expected) << c.name;
}

struct LimitCase {
    const char* name;
    std::int64_t tab_width;
    std::string text;
    bool too_long;
};

TEST(ExpandTabs, TheLongestLineIs4095Characters) {
    const LimitCase cases[] = {
        {"4,095 characters", 8, std::string(4094, 'a') + "\n", false},
        {"4,096 characters", 8, std::string(4095, 'a') + "\n", true},
        {"one tab to column 4,095", 4095, "\t", false},
        {"one tab to column 4,095, then newline", 4095, "\t\n", true},
        {"tab reaching 4,096 exactly", 4096, "\t", true},
        {"newline at column 4,094", 4094, "\t\n", false},
        {"widest stop", 2147483647, "a\tb\n", true},
    };
    for (const LimitCase& c : cases) {
        Output out;
        TabExpansion expansion;
        bool ended = false;
        try {
            const char* expanded = expand_tabs(out, c.tab_width, c.text.c_str(), expansion);
            EXPECT_EQ(std::string(expanded).size(), expansion.length) << c.name;
        } catch (const RunEnded& ended_run) {
            ended = true;
            EXPECT_EQ(ended_run.status, 1) << c.name;
        }
        EXPECT_EQ(ended, c.too_long) << c.name;
    }
}

TEST(ExpandTabs, ExpandsIntoTheBuffer) {
    Output out;
    TabExpansion expansion;
    EXPECT_EQ(std::string(expand_tabs(out, 3, "a\tbcd\te\f\t\n", expansion)), "a  bcd   e\f \n");
    EXPECT_EQ(expansion.length, 13u);
    EXPECT_EQ(out.captured(), "");
}

TEST(PrintLine, TooLongLineGoesToStandardOutput) {
    HandRun hand(options_with(OPT_TAB_STOP, 0, 4095), {}, {});
    print_line(hand.comparison, KIND_PLAIN, "x\n", false);
    try {
        print_line(hand.comparison, KIND_CHANGED, "\t\n", false);
        FAIL() << "the run went on";
    } catch (const RunEnded& ended) {
        EXPECT_EQ(ended.status, 1);
    }
    // The earlier line stays; of the long one only the message, its text
    // right-aligned in 256 columns, newline included.
    EXPECT_EQ(hand.out.captured(), "\tx\nError: " + std::string(254, ' ') + "\t\n ... too long line\n");
    EXPECT_EQ(hand.err.captured(), "");
}

TEST(PrintLine, TooLongMessageCutsTheTextAt256Bytes) {
    std::string text = std::string(300, 'y') + "\t\n";
    HandRun hand(options_with(OPT_TAB_STOP, 0, 4096), {}, {});
    EXPECT_THROW(print_line(hand.comparison, KIND_PLAIN, text.c_str(), false), RunEnded);
    EXPECT_EQ(hand.out.captured(), "Error: " + std::string(256, 'y') + " ... too long line\n");
}

}  // namespace
}  // namespace vesk
