#include "report/char_classes.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vesk {
namespace {

// Shift-JIS bytes of the characters the cases use.
const std::string KANJI_HARE = "\x90\xb0";      // 晴
const std::string KANJI_HYOU = "\x95\x5c";      // 表, second byte looks like a backslash
const std::string KANJI_JI = "\x8e\xa6";        // 示
const std::string HIRA_RE = "\x82\xea";         // れ
const std::string HIRA_DE = "\x82\xc5";         // で
const std::string HIRA_SU = "\x82\xb7";         // す
const std::string KATA_A = "\x83\x41";          // ア, second byte looks like 'A'
const std::string KATA_I = "\x83\x43";          // イ
const std::string KATA_KA = "\x83\x4a";         // カ
const std::string KATA_NA = "\x83\x69";         // ナ
const std::string FULL_A = "\x82\x60";          // Ａ
const std::string FULL_B = "\x82\x61";          // Ｂ
const std::string FULL_STOP = "\x81\x42";       // 。

std::vector<int> roles_of(const std::string& text) {
    LineMap roles;
    mark_double_bytes(text.c_str(), roles);
    return {roles.begin(), roles.begin() + static_cast<std::ptrdiff_t>(text.size())};
}

std::vector<int> classes_of(const std::string& text) {
    LineMap classes;
    classify_bytes(text.c_str(), classes);
    return {classes.begin(), classes.begin() + static_cast<std::ptrdiff_t>(text.size())};
}

// Masks are written one character per byte: '#' shown, '.' hidden.
std::string widened(const std::string& text, const std::string& shown) {
    LineMap mask;
    for (std::size_t i = 0; i < shown.size(); ++i) mask[i] = shown[i] == '#' ? 1 : 0;
    widen_to_words(text.c_str(), mask);
    std::string result;
    for (std::size_t i = 0; i < text.size(); ++i) result += mask[i] != 0 ? '#' : '.';
    return result;
}

struct RoleCase {
    const char* name;
    std::string text;
    std::vector<int> roles;
};

TEST(MarkDoubleBytes, LeadBytesAndTheEndOfTheText) {
    const int S = ROLE_SINGLE, F = ROLE_FIRST, T = ROLE_SECOND;
    const RoleCase cases[] = {
        {"ascii", "ab\n", {S, S, S}},
        {"hiragana between letters", "a\x82\xa0" "b", {S, F, T, S}},
        {"lead byte ending the text is single", "a\x82", {S, S}},
        {"a newline can be a second byte", "\x82\n", {F, T}},
        {"a lead byte as second byte is not a lead", "\x81\x81\x81", {F, T, S}},
        {"lowest and highest lead bytes", "\x81@\x9f@\xe0@\xfc@", {F, T, F, T, F, T, F, T}},
        {"bytes just outside the lead ranges", "\x80@\xa0@\xdf@\xfd@", {S, S, S, S, S, S, S, S}},
        {"second byte that looks like a backslash", KANJI_HYOU + "\\", {F, T, S}},
    };
    for (const RoleCase& c : cases) EXPECT_EQ(roles_of(c.text), c.roles) << c.name;
}

struct ClassCase {
    const char* name;
    std::string text;
    int expected;  // the class of every byte of the text
};

TEST(ClassifyBytes, SingleBytes) {
    const ClassCase cases[] = {
        {"space", " ", CLASS_BLANK},         {"tab", "\t", CLASS_BLANK},
        {"newline", "\n", CLASS_BLANK},      {"escape", "\x1b", CLASS_BLANK},
        {"digits", "09", CLASS_WORD},        {"letters", "AZaz", CLASS_WORD},
        {"full stop", ".", CLASS_WORD},      {"low line", "_", CLASS_WORD},
        {"punctuation", "!/:@[`{~", CLASS_PUNCT},
        {"delete", "\x7f", CLASS_PUNCT},     {"half-width katakana", "\xa1\xb1\xdf", CLASS_HALFWIDTH},
        {"non-lead high bytes", "\x80\xa0\xfd\xff", CLASS_HALFWIDTH},
        {"lead byte ending the text", "\x82", CLASS_HALFWIDTH},
    };
    for (const ClassCase& c : cases)
        EXPECT_EQ(classes_of(c.text), std::vector<int>(c.text.size(), c.expected)) << c.name;
}

TEST(ClassifyBytes, DoubleByteBlockBounds) {
    const ClassCase cases[] = {
        {"ideographic space", "\x81\x40", CLASS_SYMBOL},
        {"prolonged sound mark", "\x81\x5b", CLASS_SYMBOL},
        {"last code below the letters", "\x82\x3f", CLASS_SYMBOL},
        {"first full-width digit block code", "\x82\x40", CLASS_LETTER},
        {"last full-width letter code", "\x82\x9a", CLASS_LETTER},
        {"first hiragana block code", "\x82\x9b", CLASS_HIRAGANA},
        {"last hiragana block code", "\x82\xf1", CLASS_HIRAGANA},
        {"first katakana block code", "\x82\xf2", CLASS_LETTER},
        {"katakana a", KATA_A, CLASS_LETTER},
        {"last Cyrillic block code", "\x84\x91", CLASS_LETTER},
        {"gap before box drawing", "\x84\x92", CLASS_KANJI},
        {"first box drawing code", "\x84\x9f", CLASS_SYMBOL},
        {"last special symbol code", "\x87\x9c", CLASS_SYMBOL},
        {"first code after the symbols", "\x87\x9d", CLASS_KANJI},
        {"kanji with backslash-like second byte", KANJI_HYOU, CLASS_KANJI},
        {"code before the extension symbols", "\xee\xee", CLASS_KANJI},
        {"first extension symbol code", "\xee\xef", CLASS_SYMBOL},
        {"last user-defined code", "\xfa\x5b", CLASS_SYMBOL},
        {"first code after the user area", "\xfa\x5c", CLASS_KANJI},
    };
    for (const ClassCase& c : cases) EXPECT_EQ(classes_of(c.text), std::vector<int>(2, c.expected)) << c.name;
}

struct WidenCase {
    const char* name;
    std::string text;
    std::string shown;     // before widening
    std::string expected;  // after
};

TEST(WidenToWords, StretchesGrowToWholeWords) {
    const WidenCase cases[] = {
        {"a number widens whole", "count = 10;", ".........#.", "........##."},
        {"backwards by the first byte, forwards by the last", "foo(x)", "..##.#", "####.#"},
        {"the byte that stopped a widening is not widened", "aXb+-c", ".#.#..", "####.."},
        {"a stretch at the start does not widen backwards", "ab cd", "#....", "##..."},
        {"a stretch reaching the end ends the walk", "ab cd", "....#", "...##"},
        {"a shown blank never widens", "ab cd", "..#..", "..#.."},
        {"the stopping byte can join a later stretch", "aXb+-c", ".#..#.", "#####."},
        {"kanji then hiragana up to the full stop", KANJI_HARE + HIRA_RE + HIRA_DE + HIRA_SU + FULL_STOP,
         "####......", "########.."},
        {"katakana then hiragana", KATA_KA + KATA_NA + HIRA_DE + HIRA_SU, "..##....", "####...."},
        {"full-width letters and katakana are one word", FULL_A + FULL_B + KATA_KA + KATA_NA + HIRA_DE,
         "##........", "########.."},
        {"a second byte 0x5C is no punctuation", KANJI_HYOU + KANJI_JI + "\\", "..##.", "####."},
        {"a second byte 0x41 is no letter", "A" + KATA_A + KATA_I, "...##", ".####"},
    };
    for (const WidenCase& c : cases) EXPECT_EQ(widened(c.text, c.shown), c.expected) << c.name;
}

}  // namespace
}  // namespace vesk
