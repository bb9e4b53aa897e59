// The in-line display of -x and -X as the normal report prints it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "e2e/e2e_harness.h"

namespace vesk::e2e {
namespace {

// Shift-JIS bytes of the characters the cases use.
const std::string KYOU_WA = "\x8d\xa1\x93\xfa\x82\xcd";  // 今日は
const std::string HARE_RE = "\x90\xb0\x82\xea";         // 晴れ
const std::string AME = "\x89\x4a";                     // 雨
const std::string DESU = "\x82\xc5\x82\xb7";            // です

struct Case {
    const char* name;
    std::string first, second;
    std::vector<std::string> options;
    std::string out;  // every case finds differences: status 1, nothing on standard error
};

std::string one_line_change(const std::string& first_line, const std::string& second_line) {
    return "change: 1 : 1\n" + first_line + "------\n" + second_line;
}

void run_cases(const std::vector<Case>& cases) {
    for (const Case& c : cases) EXPECT_EQ(compare(c.first, c.second, c.options), (Outcome{c.out, "", 1})) << c.name;
}

TEST(InlineDisplay, WordForm) {
    run_cases({
        {"a shorter word shifts the rest", "The quick brown fox\n", "The quick red fox\n", {"-x"},
         one_line_change("\t          brown fox\n", "\t          red fox\n")},
        {"the number widens whole", "count = 10;\n", "count = 12;\n", {"-x"},
         one_line_change("\t        10  \n", "\t        12  \n")},
        {"a longer number", "count = 10;\n", "count = 100;\n", {"-x"},
         one_line_change("\t        10;\n", "\t        100;\n")},
        {"-i hides case, never bytes from 0x80", "Size \xa1\n", "SIZE \xc1\n", {"-i", "-x"},
         one_line_change("\t     \xa1 \n", "\t     \xc1 \n")},
        {"-X on equal lengths is the word form", "count = 10;\n", "count = 12;\n", {"-X"},
         one_line_change("\t        10  \n", "\t        12  \n")},
        {"-X -b with equal blank units", "set p q end\n", "set r   s end\n", {"-X", "-b"},
         one_line_change("\t    p q     \n", "\t    r   s     \n")},
    });
}

TEST(InlineDisplay, ReplacementForm) {
    run_cases({
        {"a replaced word", "The quick brown fox\n", "The quick red fox\n", {"-X"},
         one_line_change("^\t          brown\n", "^\t          red\n")},
        {"-X wins over -x", "The quick brown fox\n", "The quick red fox\n", {"-x", "-X"},
         one_line_change("^\t          brown\n", "^\t          red\n")},
        {"the backward merge carries the number", "count = 10;\n", "count = 100;\n", {"-X"},
         one_line_change("^\t        10\n", "^\t        100\n")},
        {"an appended word", "abc\n", "abcdef\n", {"-X"}, one_line_change("^\tabc\n", "^\tabcdef\n")},
        {"Shift-JIS words", KYOU_WA + HARE_RE + DESU + "\n", KYOU_WA + AME + DESU + "\n", {"-X"},
         one_line_change("^\t      " + HARE_RE + DESU + "\n", "^\t      " + AME + DESU + "\n")},
        {"blank runs are replaced without -b", "set p q end\n", "set r   s end\n", {"-X"},
         one_line_change("^\t    p q\n", "^\t    r   s\n")},
        {"an inserted word at the end", "abc\n", "abc def\n", {"-X"},
         one_line_change("^\t   \n", "^\t    def\n")},
        {"a bare newline against a letter", "\n", "x\n", {"-X"}, one_line_change("^\t\n", "^\tx\n")},
    });
}

TEST(InlineDisplay, Blocks) {
    run_cases({
        {"each pair of a block decides alone", "begin\nabc\nfoo 1\ncount = 10;\nend\n",
         "begin\nabcdef\nfoo 2\ncount = 100;\nend\n", {"-X"},
         "change: 2,4 : 2,4\n^\tabc\n\t    1 \n^\t        10\n------\n^\tabcdef\n\t    2 \n^\t        100\n"},
        {"blocks of unequal size print in full", "begin\nabc\nfoo 1\nend\n", "begin\nabcdef\nfoo 2\nbar\nend\n",
         {"-X"}, "change: 2,3 : 2,4\n\tabc\n\tfoo 1\n------\n\tabcdef\n\tfoo 2\n\tbar\n"},
        {"unequal blocks print in full with -x too", "begin\nabc\nfoo 1\nend\n",
         "begin\nabcdef\nfoo 2\nbar\nend\n", {"-x"},
         "change: 2,3 : 2,4\n\tabc\n\tfoo 1\n------\n\tabcdef\n\tfoo 2\n\tbar\n"},
        {"a hidden tab keeps the columns under -t", "\tv = 1;\n", "\tv = 12;\n", {"-X", "-t", "4"},
         one_line_change("^\t        1\n", "^\t        12\n")},
        {"-c leaves -x out", "The quick brown fox\n", "The quick red fox\n", {"-c", "-x"},
         "Change: 1 : 1\n!\tThe quick brown fox\n------\n!\tThe quick red fox\n"},
        {"-c leaves -X out", "The quick brown fox\n", "The quick red fox\n", {"-c", "-X"},
         "Change: 1 : 1\n!\tThe quick brown fox\n------\n!\tThe quick red fox\n"},
        // Equal fingerprints pair the lines; their texts differ by the newline.
        {"a one-line change prints with tabs under -X", "abc\n", "abc", {"-X"},
         one_line_change("\t   \n", "\t   \n")},
    });
}

}  // namespace
}  // namespace vesk::e2e
