#include "report/inline_display.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "compare/fingerprint.h"

namespace vesk {
namespace {

// Shift-JIS bytes of the characters the cases use.
const std::string KYOU_WA = "\x8d\xa1\x93\xfa\x82\xcd";  // 今日は
const std::string HARE = "\x90\xb0";                    // 晴
const std::string AME = "\x89\x4a";                     // 雨
const std::string HIRA_A = "\x82\xa0";                  // あ
const std::string HIRA_HA = "\x82\xcd";                 // は, shares its lead byte with れ
const std::string HIRA_RE = "\x82\xea";                 // れ
const std::string DESU = "\x82\xc5\x82\xb7";            // です
const std::string KAN = "\x8a\xbf";                     // 漢
const std::string HYOU = "\x95\x5c";                    // 表, second byte looks like a backslash
const std::string KATA_A = "\x83\x41";                  // ア, second byte looks like 'A'
const std::string KATA_DI = "\x83\x61";                 // ヂ, second byte looks like 'a'

constexpr std::uint32_t NONE = 0;
constexpr std::uint32_t CASE = OPT_IGNORE_CASE;
constexpr std::uint32_t SQUEEZE = OPT_SQUEEZE_BLANKS;

std::string blanks(std::size_t count) { return std::string(count, ' '); }

struct PairCase {
    const char* name;
    std::string a, b;
    std::uint32_t flags;
    std::string shown_a, shown_b;  // the rewritten texts, up to their NUL
    bool replaced = false;         // -X only: shown in replacement form
};

void expect_words(const PairCase& c) {
    std::string a = c.a, b = c.b;
    show_pair_in_words(a.data(), b.data(), c.flags);
    EXPECT_EQ(std::string(a.c_str()), c.shown_a) << c.name;
    EXPECT_EQ(std::string(b.c_str()), c.shown_b) << c.name;
}

void expect_replacement(const PairCase& c) {
    std::string a = c.a, b = c.b;
    EXPECT_EQ(show_pair_replaced(a.data(), b.data(), c.flags), c.replaced) << c.name;
    EXPECT_EQ(std::string(a.c_str()), c.shown_a) << c.name;
    EXPECT_EQ(std::string(b.c_str()), c.shown_b) << c.name;
}

TEST(ShowPairInWords, WorkedExamples) {
    const PairCase cases[] = {
        {"position by position after a shorter word", "The quick brown fox\n", "The quick red fox\n", NONE,
         blanks(10) + "brown fox\n", blanks(10) + "red fox\n"},
        {"the number widens whole", "count = 10;\n", "count = 12;\n", NONE, blanks(8) + "10  ",
         blanks(8) + "12  "},
        {"the longer number shifts the rest", "count = 10;\n", "count = 100;\n", NONE, blanks(8) + "10;\n",
         blanks(8) + "100;\n"},
    };
    for (const PairCase& c : cases) expect_words(c);
}

TEST(ShowPairInWords, Boundaries) {
    const PairCase cases[] = {
        {"equal lines leave blanks and tabs", "same\tline\n", "same\tline\n", NONE, "    \t     ", "    \t     "},
        {"an empty text stays empty", "", "abc\n", NONE, "", "abc\n"},
        {"without -b a wider blank run shifts the rest", "a  b c\n", "a b d\n", NONE, "   b c\n", "  b d\n"},
        {"-b compares the words after blank runs", "a  b c\n", "a b d\n", SQUEEZE, "     c ", "    d "},
        {"case differences show without -i", "Size \xa1\n", "SIZE \xc1\n", NONE, "Size \xa1 ", "SIZE \xc1 "},
        {"-i hides case but not bytes from 0x80", "Size \xa1\n", "SIZE \xc1\n", CASE, "     \xa1 ",
         "     \xc1 "},
        {"-i folds only letters", "x@[\n", "x`{\n", CASE, " @[ ", " `{ "},
        {"-i never folds a second byte", KATA_A + "\n", KATA_DI + "\n", CASE, KATA_A + " ", KATA_DI + " "},
        {"a hidden double-byte character leaves two blanks", HYOU + "x\n", HYOU + "y\n", NONE, "  x ",
         "  y "},
        {"a character shown in part prints whole", "  " + KAN + "\n", HIRA_A + KAN + "\n", SQUEEZE,
         "  " + KAN + " ", HIRA_A + "   "},
        {"a lead byte ending the line is one byte", "x\x82", "y\x82", NONE, "x ", "y "},
        {"characters sharing a lead byte differ whole", "x" + HIRA_HA + "1\n", "x" + HIRA_RE + "1\n", NONE,
         " " + HIRA_HA + "  ", " " + HIRA_RE + "  "},
    };
    for (const PairCase& c : cases) expect_words(c);
}

// UTF-8 text goes by column cells; the Shift-JIS characters are held to their
// Shift-JIS display by the property test of whole runs, these are the others.
TEST(ShowPairInWords, Utf8Cells) {
    constexpr std::uint32_t UTF8 = OPT_UTF8;
    const std::string KA = "\xE3\x81\x8B", VOICED_MARK = "\xE3\x82\x99";  // か and a combining mark
    const std::string SMILE = "\xF0\x9F\x98\x80";                           // two columns, four bytes
    const std::string TESUTO = "\xE3\x83\x86\xE3\x82\xB9\xE3\x83\x88";   // テスト, ト ends in 0x88
    const PairCase cases[] = {
        {"an accented letter is one column of a word", "caf\xC3\xA9\n", "cafe\n", UTF8, "caf\xC3\xA9 ", "cafe "},
        {"a mark belongs to the character before it", "a" + KA + VOICED_MARK + "b\n", "a" + KA + "b\n", UTF8,
         " " + KA + VOICED_MARK + "  ", " " + KA + "  "},
        {"a hidden wide character leaves two blanks", SMILE + "x\n", SMILE + "y\n", UTF8, "  x ", "  y "},
        {"a stray byte is one column", "\xFFx\n", "\xFFy\n", UTF8, " x ", " y "},
        {"a lone mark at the start takes no column", VOICED_MARK + "a\n", VOICED_MARK + "b\n", UTF8, "a ", "b "},
        {"-i folds a capital after any character", TESUTO + "A 1\n", TESUTO + "a 2\n", UTF8 | CASE,
         blanks(7) + " 1 ", blanks(7) + " 2 "},
    };
    for (const PairCase& c : cases) expect_words(c);
}

TEST(ShowPairReplaced, WorkedExamples) {
    const PairCase cases[] = {
        {"a shorter word replaced", "The quick brown fox\n", "The quick red fox\n", NONE, blanks(10) + "brown",
         blanks(10) + "red", true},
        {"backward merge carries the number", "count = 10;\n", "count = 100;\n", NONE, blanks(8) + "10",
         blanks(8) + "100", true},
        {"an appended word widens into the prefix", "abc\n", "abcdef\n", NONE, "abc", "abcdef", true},
        {"forward merge carries the hiragana", KYOU_WA + HARE + HIRA_RE + DESU + "\n", KYOU_WA + AME + DESU + "\n",
         NONE, blanks(6) + HARE + HIRA_RE + DESU, blanks(6) + AME + DESU, true},
        {"-b: the same blank units give the word form", "set p q end\n", "set r   s end\n", SQUEEZE,
         blanks(4) + "p q" + blanks(5), blanks(4) + "r   s" + blanks(5), false},
        {"without -b the blank runs are a replacement", "set p q end\n", "set r   s end\n", NONE,
         blanks(4) + "p q", blanks(4) + "r   s", true},
        {"an inserted word at the end", "abc\n", "abc def\n", NONE, "   ", "    def", true},
        {"a bare newline against a letter", "\n", "x\n", NONE, "", "x", true},
    };
    for (const PairCase& c : cases) expect_replacement(c);
}

TEST(ShowPairReplaced, Boundaries) {
    const PairCase cases[] = {
        {"equal lengths give the word form", "count = 10;\n", "count = 12;\n", NONE, blanks(8) + "10  ",
         blanks(8) + "12  ", false},
        {"middles of 40 and 41 are a replacement", "x " + std::string(40, 'a') + " y\n",
         "x " + std::string(41, 'b') + " y\n", NONE, "  " + std::string(40, 'a'), "  " + std::string(41, 'b'),
         true},
        {"middles of 41 and 42 give the word form", "x " + std::string(41, 'a') + " y\n",
         "x " + std::string(42, 'b') + " y\n", NONE, "  " + std::string(41, 'a') + " y\n",
         "  " + std::string(42, 'b') + " y\n", false},
        {"a shared lead byte does not end the prefix", "x" + HIRA_HA + std::string(39, 'a') + "\n",
         "x" + HIRA_RE + std::string(40, 'b') + "\n", NONE, " " + HIRA_HA + std::string(39, 'a') + "\n",
         " " + HIRA_RE + std::string(40, 'b') + "\n", false},
        {"a hidden tab stays a tab", "\tv = 1;\n", "\tv = 12;\n", NONE, "\t    1", "\t    12", true},
        {"case differences are a replacement without -i", "Value = x\n", "VALUE = xy\n", NONE, "Value = x",
         "VALUE = xy", true},
        {"-i keeps case differences in the prefix", "Value = x\n", "VALUE = xy\n", CASE, blanks(8) + "x",
         blanks(8) + "xy", true},
        {"-i never folds a second byte", KATA_A + "1\n", KATA_DI + "12\n", CASE, KATA_A + "1", KATA_DI + "12",
         true},
        {"a lead byte ending the line", "ab\x82", "abc\x82", NONE, "ab", "abc", true},
        {"a backslash-like second byte is no punctuation", HYOU + "+\n", HYOU + "+-\n", NONE, "  +", "  +-",
         true},
    };
    for (const PairCase& c : cases) expect_replacement(c);
}

TEST(EqualIgnoringCase, OnlyAsciiLettersFold) {
    struct Case {
        unsigned char x, y;
        bool equal;
    };
    const Case cases[] = {
        {'a', 'A', true},  {'z', 'Z', true},  {'Q', 'q', true},   {'a', 'a', true},   {'a', 'b', false},
        {'@', '`', false}, {'[', '{', false}, {'^', '~', false},  {0xC1, 0xE1, false}, {0xE1, 0xC1, false},
    };
    for (const Case& c : cases) EXPECT_EQ(equal_ignoring_case(c.x, c.y), c.equal) << c.x << " " << c.y;
}

TEST(CountBlankUnits, RunsCountOnce) {
    struct Case {
        const char* name;
        std::string text;
        std::size_t start, length;
        std::int64_t units;
        bool utf8 = false;
    };
    const Case cases[] = {
        {"one blank", "p q", 0, 3, 3},
        {"three blanks", "r   s", 0, 5, 3},
        {"nothing", "abc", 1, 0, 0},
        {"blanks and tabs are one run", "a \t x", 0, 5, 3},
        {"a run past the end counts once", "a   b", 0, 2, 2},
        {"from a start inside the text", "ab  cd", 2, 3, 2},
        {"both bytes of a character count", KAN + " a", 0, 4, 4},
        {"a blank second byte begins no run", "\x81\x20\x20", 0, 3, 3},
        // 漢 in UTF-8: three bytes, two cells, as its two Shift-JIS bytes.
        {"UTF-8: both cells of a wide character count", "\xE6\xBC\xA2 a", 0, 4, 4, true},
    };
    for (const Case& c : cases) {
        std::string text = c.text;
        DisplayLine line(text.data(), c.utf8);
        EXPECT_EQ(count_blank_units(line, c.start, c.length), c.units) << c.name;
    }
}

TEST(BlankHiddenBytes, KeepsTabsAndWholeCharacters) {
    struct Case {
        const char* name;
        std::string text;
        std::string shown;  // '#' shown, '.' hidden, one per byte
        std::string expected;
    };
    const Case cases[] = {
        {"hidden tab stays", "a\tb\n", "....", " \t  "},
        {"hidden form feed becomes a blank", "a\x0c" "b", "..#", "  b"},
        {"hidden character leaves two blanks", KAN + "x", "..#", "  x"},
        {"first byte shown shows the character", KAN, "#.", KAN},
        {"second byte shown shows the character", KAN, ".#", KAN},
        {"a lead byte ending the text is one byte", "a\x82", "#.", "a "},
        {"a newline as second byte stays with its lead", "\x82\n", "#.", "\x82\n"},
    };
    for (const Case& c : cases) {
        LineMap mask;
        for (std::size_t i = 0; i < c.shown.size(); ++i) mask[i] = c.shown[i] == '#' ? 1 : 0;
        std::string text = c.text;
        blank_hidden_bytes(text.data(), mask);
        EXPECT_EQ(text, c.expected) << c.name;
    }
}

// A run whose two files hold these lines, as loading leaves them.
struct LoadedRun {
    explicit LoadedRun(std::uint32_t flags, const std::vector<std::string>& first,
                       const std::vector<std::string>& second)
        : diagnostics(err), comparison(Options{flags}, out, diagnostics) {
        for (const std::string& line : first) load(comparison.first, line);
        for (const std::string& line : second) load(comparison.second, line);
    }
    void load(LineTable& table, const std::string& line) {
        table.store_next(diagnostics, line);
        fingerprint_line(table, line, comparison.options.flags);
    }

    Output out, err;
    Diagnostics diagnostics;
    Comparison comparison;
};

TEST(ShowInlineReplacement, EachPairDecidesAlone) {
    LoadedRun loaded(OPT_INLINE_REPLACE, {"keep\n", "abc\n", "foo 1\n", "count = 10;\n"},
                     {"abcdef\n", "foo 2\n", "count = 100;\n"});
    InlineLines shown;
    show_inline_replacement(loaded.comparison, 3, 1, 0, shown);
    const std::vector<std::string> first = {"abc", "    1 ", blanks(8) + "10"};
    const std::vector<std::string> second = {"abcdef", "    2 ", blanks(8) + "100"};
    const std::vector<bool> replaced = {true, false, true};
    ASSERT_EQ(shown.pairs(), 3);
    for (std::int64_t t = 0; t < 3; ++t) {
        EXPECT_EQ(shown.first_text(t), first[t]) << t;
        EXPECT_EQ(shown.second_text(t), second[t]) << t;
        EXPECT_EQ(shown.replaced(t), replaced[t]) << t;
    }
    // The tables keep their texts; the display works on copies.
    EXPECT_EQ(loaded.comparison.first.text(1), "abc\n");
}

TEST(ShowInlineWords, StopsAtTheCountAndAtTheTablesEnd) {
    LoadedRun loaded(OPT_INLINE_WORDS, {"abc\n", "x1\n"}, {"abcdef\n", "x2\n"});
    InlineLines shown;
    show_inline_words(loaded.comparison, 1, 0, 0, shown);
    ASSERT_EQ(shown.pairs(), 1);
    // "def" widens back over "abc", and the merge shows it in the first line too.
    EXPECT_EQ(std::string(shown.first_text(0)), "abc\n");
    EXPECT_EQ(std::string(shown.second_text(0)), "abcdef\n");
    EXPECT_FALSE(shown.replaced(0));
    show_inline_words(loaded.comparison, 5, 1, 1, shown);
    EXPECT_EQ(shown.pairs(), 1);
    show_inline_replacement(loaded.comparison, -1, 1, 1, shown);
    EXPECT_EQ(shown.pairs(), 0);
}

}  // namespace
}  // namespace vesk
