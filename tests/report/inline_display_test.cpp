// The in-line display of -x and -X, and the byte roles and character classes
// by which it widens what it shows to whole words.
#include "report/inline_display.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "model/options.h"

namespace vesk {
namespace {

// Shift-JIS bytes of the characters the cases use.
const std::string KANJI_HARE = "\x90\xb0";  // 晴
const std::string KANJI_HYOU = "\x95\x5c";  // 表, second byte looks like a backslash
const std::string HIRA_RE = "\x82\xea";     // れ
const std::string HIRA_HA = "\x82\xcd";     // は, shares its lead byte with れ
const std::string HIRA_DE = "\x82\xc5";     // で
const std::string KATA_A = "\x83\x41";      // ア, second byte looks like 'A'
const std::string KATA_DI = "\x83\x61";     // ヂ, second byte looks like 'a'
const std::string KATA_KA = "\x83\x4a";     // カ
const std::string FULL_A = "\x82\x60";      // Ａ
const std::string FULL_STOP = "\x81\x42";   // 。

template <class Fill>
std::vector<int> map_of(const std::string& text, Fill fill) {
    LineMap map;
    fill(text.c_str(), map);
    return {map.begin(), map.begin() + static_cast<std::ptrdiff_t>(text.size())};
}

TEST(CharClasses, RolesAndClassesOfBytes) {
    const int S = ROLE_SINGLE, F = ROLE_FIRST, T = ROLE_SECOND;
    const std::pair<std::string, std::vector<int>> cases[] = {
        {"\x82\n", {F, T}},           // a newline can be a second byte
        {"\x81\x81\x81", {F, T, S}},  // a lead byte as second byte is no lead
        // The bounds of both lead-byte ranges; a lead byte ending the text is single.
        {"\x81@\x9f@\xe0@\xfc@\x80@\xa0@\xdf@\xfd@\x82", {F, T, F, T, F, T, F, T, S, S, S, S, S, S, S, S, S}},
    };
    for (const auto& [text, roles] : cases) EXPECT_EQ(map_of(text, mark_double_bytes), roles) << text;
    // Single bytes, and the bounds of every block of double-byte codes.
    const std::pair<std::string, int> classes[] = {
        {" \t\n\x1b", CLASS_BLANK},
        {"09AZaz._", CLASS_WORD},
        {"!/:@[`{~\x7f", CLASS_PUNCT},
        {"\xa1\xdf\x80\xa0\xfd\xff\x82", CLASS_HALFWIDTH},
        {"\x81\x40\x81\x5b\x82\x3f\x84\x9f\x87\x9c\xee\xef\xfa\x5b", CLASS_SYMBOL},
        {"\x82\x40\x82\x9a\x82\xf2\x84\x91" + KATA_A, CLASS_LETTER},
        {"\x82\x9b\x82\xf1", CLASS_HIRAGANA},
        {"\x84\x92\x87\x9d\xee\xee\xfa\x5c" + KANJI_HYOU, CLASS_KANJI},
    };
    for (const auto& [text, expected] : classes)
        EXPECT_EQ(map_of(text, classify_bytes), std::vector<int>(text.size(), expected)) << text;
}

TEST(WidenToWords, StretchesGrowToWholeWords) {
    // Masks one character per byte: '#' shown, '.' hidden; before and after widening.
    const std::string cases[][3] = {
        {"foo(x)", "..##.#", "####.#"},                // backwards by the first byte, forwards by the last
        {"aXb+-c", ".#.#..", "####.."},                // the byte that stopped a widening is not widened
        {"aXb+-c", ".#..#.", "#####."},                // but can join a later stretch
        {"ab cd", "..#..", "..#.."},                   // a shown blank never widens
        {KANJI_HARE + HIRA_RE + HIRA_DE + FULL_STOP, "####....", "######.."},
        {FULL_A + KATA_KA + HIRA_DE, "##....", "####.."},
        {KANJI_HYOU + KANJI_HARE + "\\", "..##.", "####."},  // a second byte 0x5C is no punctuation
        {"A" + KATA_A + KATA_KA, "...##", ".####"},           // a second byte 0x41 is no letter
    };
    for (const auto& [text, shown, expected] : cases) {
        LineMap mask;
        for (std::size_t i = 0; i < shown.size(); ++i) mask[i] = shown[i] == '#' ? 1 : 0;
        widen_to_words(text.c_str(), mask);
        std::string result;
        for (std::size_t i = 0; i < text.size(); ++i) result += mask[i] != 0 ? '#' : '.';
        EXPECT_EQ(result, expected) << text << " " << shown;
    }
}

std::string blanks(std::size_t count) { return std::string(count, ' '); }

enum Form { WORDS, REPLACEMENT_SHOWN, REPLACEMENT_NOT_APPLIED };

TEST(ShowPair, WordAndReplacementForms) {
    const std::uint32_t NONE = 0, CASE = OPT_IGNORE_CASE, SQUEEZE = OPT_SQUEEZE_BLANKS, UTF8 = OPT_UTF8;
    const std::string KA = "\xE3\x81\x8B", VOICED_MARK = "\xE3\x82\x99";  // か and a combining mark
    const std::string SMILE = "\xF0\x9F\x98\x80";                           // two columns, four bytes
    struct {
        const char* name;
        Form form;
        std::string a, b;
        std::uint32_t flags;
        std::string shown_a, shown_b;  // the rewritten texts, up to their NUL
    } const cases[] = {
        {"the number widens whole", WORDS, "count = 10;\n", "count = 12;\n", NONE, blanks(8) + "10  ", blanks(8) + "12  "},
        {"equal lines: all blanks, but a tab stays", WORDS, "same\tline\f\n", "same\tline\f\n", NONE,
         "    \t      ", "    \t      "},
        {"-b compares the words after blank runs", WORDS, "a  b c\n", "a b d\n", SQUEEZE, "     c ", "    d "},
        {"-i hides case but not bytes from 0x80", WORDS, "Size \xa1\n", "SIZE \xc1\n", CASE, "     \xa1 ", "     \xc1 "},
        {"-i never folds a second byte", WORDS, KATA_A + "\n", KATA_DI + "\n", CASE, KATA_A + " ", KATA_DI + " "},
        {"characters sharing a lead byte differ whole", WORDS, "x" + HIRA_HA + "1\n", "x" + HIRA_RE + "1\n", NONE,
         " " + HIRA_HA + "  ", " " + HIRA_RE + "  "},
        {"an inserted word at the end", REPLACEMENT_SHOWN, "abc\n", "abc def\n", NONE, "   ", "    def"},
        {"-b: the same count of blank units", REPLACEMENT_NOT_APPLIED, "set p q end\n", "set r   s end\n", SQUEEZE,
         blanks(4) + "p q" + blanks(5), blanks(4) + "r   s" + blanks(5)},
        {"without -b blank runs are replaced", REPLACEMENT_SHOWN, "set p q end\n", "set r   s end\n", NONE,
         blanks(4) + "p q", blanks(4) + "r   s"},
        {"middles of 40 and 41", REPLACEMENT_SHOWN, "x " + std::string(40, 'a') + " y\n",
         "x " + std::string(41, 'b') + " y\n", NONE, "  " + std::string(40, 'a'), "  " + std::string(41, 'b')},
        {"middles of 41 and 42", REPLACEMENT_NOT_APPLIED, "x " + std::string(41, 'a') + " y\n",
         "x " + std::string(42, 'b') + " y\n", NONE, "  " + std::string(41, 'a') + " y\n",
         "  " + std::string(42, 'b') + " y\n"},
        {"a shared lead byte does not end the prefix", REPLACEMENT_NOT_APPLIED,
         "x" + HIRA_HA + std::string(39, 'a') + "\n", "x" + HIRA_RE + std::string(40, 'b') + "\n", NONE,
         " " + HIRA_HA + std::string(39, 'a') + "\n", " " + HIRA_RE + std::string(40, 'b') + "\n"},
        {"-i keeps case differences in the prefix", REPLACEMENT_SHOWN, "Value = x\n", "VALUE = xy\n", CASE,
         blanks(8) + "x", blanks(8) + "xy"},
        // UTF-8 goes by column cells. Its Shift-JIS characters are held to their
        // Shift-JIS display by the whole-run property test; these are the others.
        {"UTF-8: an accented letter is one column of a word", WORDS, "caf\xC3\xA9\n", "cafe\n", UTF8,
         "caf\xC3\xA9 ", "cafe "},
        {"UTF-8: a mark belongs to the character before it", WORDS, "a" + KA + VOICED_MARK + "b\n", "a" + KA + "b\n",
         UTF8, " " + KA + VOICED_MARK + "  ", " " + KA + "  "},
        {"UTF-8: a hidden wide character leaves two blanks", WORDS, SMILE + "x\n", SMILE + "y\n", UTF8, "  x ", "  y "},
        {"UTF-8: a stray byte is one column", WORDS, "\xFFx\n", "\xFFy\n", UTF8, " x ", " y "},
        {"UTF-8: a lone mark at the start takes no column", WORDS, VOICED_MARK + "a\n", VOICED_MARK + "b\n", UTF8,
         "a ", "b "},
    };
    for (const auto& c : cases) {
        std::string a = c.a, b = c.b;
        if (c.form == WORDS)
            show_pair_in_words(a.data(), b.data(), Options{c.flags}.text_rules());
        else
            EXPECT_EQ(show_pair_replaced(a.data(), b.data(), Options{c.flags}.text_rules()), c.form == REPLACEMENT_SHOWN) << c.name;
        EXPECT_EQ(std::string(a.c_str()), c.shown_a) << c.name;
        EXPECT_EQ(std::string(b.c_str()), c.shown_b) << c.name;
    }
}

}  // namespace
}  // namespace vesk
