#include "compare/pair_compare.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "compare/fold_case.h"
#include "model/options.h"

namespace vesk {
namespace {

constexpr std::uint32_t kCase = OPT_IGNORE_CASE;
constexpr std::uint32_t kBlanks = OPT_SQUEEZE_BLANKS;

struct PairCase {
    const char* name;
    std::string first;
    std::string second;
    std::uint32_t flags;
    bool differ;
};

TEST(LinesDiffer, ExactAndCaseFolded) {
    const PairCase cases[] = {
        {"identical", "abc\n", "abc\n", 0, false},
        {"one byte", "abc\n", "abd\n", 0, true},
        {"one ends first", "ab\n", "abc\n", 0, true},
        {"case differs", "ABC\n", "abc\n", 0, true},
        {"case folded", "ABC\n", "abc\n", kCase, false},
        {"only capitals fold", "a[c\n", "a{c\n", kCase, true},
        {"second byte 0x41 is not folded", "\x82\x41\n", "\x82\x61\n", kCase, true},
        {"after a double-byte character folding resumes", "\x82\x41Z\n", "\x82\x41z\n", kCase, false},
        {"one-byte katakana is no lead byte", "\xB1" "A\n", "\xB1" "a\n", kCase, false},
        {"lead byte 0x80 takes the next byte", "\x80" "A\n", "\x80" "a\n", kCase, true},
        {"lead byte 0xA0 takes the next byte", "\xA0" "A\n", "\xA0" "a\n", kCase, true},
        {"lead byte 0xE0 takes the next byte", "\xE0" "A\n", "\xE0" "a\n", kCase, true},
        // ト in UTF-8 ends in 0x88, a lead byte to Shift-JIS folding.
        {"--utf8 folds after any character", "\xE3\x83\x88" "A\n", "\xE3\x83\x88" "a\n", kCase | OPT_UTF8, false},
    };
    for (const PairCase& c : cases) EXPECT_EQ(lines_differ(c.first.c_str(), c.second.c_str(), c.flags), c.differ) << c.name;
}

// A line that stays in its mapped file is followed by the next line, not by a
// NUL: its text ends with its newline, whatever comes after it.
TEST(LinesDiffer, TextsEndAtTheirNewline) {
    const PairCase cases[] = {
        {"same line, different followers", "abc\nxyz", "abc\nqq", 0, false},
        {"followed against a C string", "abc\nxyz", "abc\n", 0, false},
        {"differing before the newline", "abc\nxyz", "abd\nxyz", 0, true},
        {"shorter second line", "abc\nxyz", "ab\nc\n", 0, true},
        {"newline against none", "abc\nxyz", "abc", 0, true},
        {"none against newline", "abc", "abc\nxyz", 0, true},
        {"empty line against an empty text", "\nabc", "", 0, true},
        {"case folded, followed", "ABC\nx", "abc\ny", kCase, false},
        {"blanks squeezed, followed", "a  b \nzzz", "a\tb\nyyy", kBlanks, false},
        {"blanks squeezed, the follower is not the line", "a\nb", "a\n b", kBlanks, false},
    };
    for (const PairCase& c : cases) EXPECT_EQ(lines_differ(c.first.c_str(), c.second.c_str(), c.flags), c.differ) << c.name;
}

TEST(LinesDiffer, SqueezedBlanks) {
    const PairCase cases[] = {
        {"two blanks against a tab", "a  b\n", "a\tb\n", kBlanks, false},
        {"two blanks against a tab without -b", "a  b\n", "a\tb\n", 0, true},
        {"any run against any run", "a \t  b\n", "a b\n", kBlanks, false},
        {"trailing blank ignored", "a \n", "a\n", kBlanks, false},
        {"trailing blank on the second", "a\n", "a \t\n", kBlanks, false},
        {"trailing blank counts without -b", "a \n", "a\n", 0, true},
        {"trailing blank, no newline", "a ", "a", kBlanks, false},
        {"leading blank on the first only", " a\n", "a\n", kBlanks, true},
        {"leading blank on the second only", "a\n", " a\n", kBlanks, true},
        {"run against none", "a b\n", "ab\n", kBlanks, true},
        {"none against run", "ab\n", "a b\n", kBlanks, true},
        {"second longer", "a b\n", "a b c\n", kBlanks, true},
        {"blank line against blanks", "\n", "  \n", kBlanks, false},
        {"empty against blanks", "", " \t", kBlanks, false},
        {"with -i too", "A  B \n", "a b\n", kBlanks | kCase, false},
        {"with -i, still a difference", "A  B \n", "a c\n", kBlanks | kCase, true},
    };
    for (const PairCase& c : cases) EXPECT_EQ(lines_differ(c.first.c_str(), c.second.c_str(), c.flags), c.differ) << c.name;
}

TEST(LinesDiffer, MissingFinalNewlineDiffersInEveryMode) {
    for (std::uint32_t flags : {0u, kCase, kBlanks, kCase | kBlanks}) {
        EXPECT_TRUE(lines_differ("a\n", "a", flags)) << flags;
        EXPECT_TRUE(lines_differ("a", "a\n", flags)) << flags;
        EXPECT_TRUE(lines_differ("", "\n", flags)) << flags;
        EXPECT_TRUE(lines_differ("a \n", "a", flags)) << flags;
    }
}

// Folding on the fly must agree with comparing two folded copies.
TEST(LinesDiffer, AgreesWithFoldedCopies) {
    const char* texts[] = {"\x82\x41\x41\n", "\x82\x61\x61\n", "\x82\x41\x61\n", "\x82\x61\x41\n",
                           "A\x82\x41\n",    "a\x82\x41\n",    "\xE0\xE0\x41\n", "\xE0\xE0\x61\n",
                           "\xDF" "A\n",     "\xDF" "a\n",     "\x82",           "\x82\n"};
    for (const char* first : texts) {
        for (const char* second : texts) {
            char first_copy[16], second_copy[16];
            std::strcpy(first_copy, first);
            std::strcpy(second_copy, second);
            testing::fold_case(first_copy);
            testing::fold_case(second_copy);
            EXPECT_EQ(lines_differ(first, second, kCase), std::strcmp(first_copy, second_copy) != 0)
                << first << " / " << second;
        }
    }
}

}  // namespace
}  // namespace vesk
