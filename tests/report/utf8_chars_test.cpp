#include "report/utf8_chars.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

#include "support/text_encoding.h"

namespace vesk {
namespace {

// Every character of code page 932 from bytes 0x80 up, with its Shift-JIS and
// its UTF-8 bytes, as tools/gen-utf8-tables wrote them into cp932_chart.txt.
struct Cp932Char {
    std::string shift_jis;
    std::string utf8;
};

// A chart line is the hexadecimal code of its first character (two digits: one
// byte, four: two bytes), a blank, then characters at consecutive codes, "|".
std::vector<Cp932Char> read_cp932_chart() {
    std::ifstream chart(std::string(VESK_SOURCE_DIR) + "/tests/report/cp932_chart.txt");
    std::vector<Cp932Char> entries;
    std::string line;
    while (std::getline(chart, line)) {
        if (line.empty() || line[0] == '#') continue;
        std::size_t blank = line.find(' ');
        unsigned code = static_cast<unsigned>(std::stoul(line.substr(0, blank), nullptr, 16));
        bool double_byte = blank == 4;
        for (std::size_t at = blank + 1; line[at] != '|'; ++code) {
            std::size_t length = decode_utf8(line.c_str() + at).length;
            std::string shift_jis = double_byte ? std::string{static_cast<char>(code >> 8), static_cast<char>(code)}
                                                : std::string{static_cast<char>(code)};
            entries.push_back({shift_jis, line.substr(at, length)});
            at += length;
        }
    }
    return entries;
}

TEST(Utf8Table, CodePage932CharactersKeepTheirShiftJisClassAndWidth) {
    std::vector<Cp932Char> entries = read_cp932_chart();
    for (int ascii = 1; ascii < 0x80; ++ascii) entries.push_back({std::string(1, static_cast<char>(ascii)), std::string(1, static_cast<char>(ascii))});
    // The cp932 encoder gives 9,408 characters a code; NUL cannot stand in a text.
    ASSERT_EQ(entries.size(), 9408u - 1);
    for (const Cp932Char& entry : entries) {
        char32_t code = decode_utf8(entry.utf8.c_str()).code;
        LineMap classes;
        classify_bytes(entry.shift_jis.c_str(), classes);
        ASSERT_EQ(utf8_class(code), classes[0]) << std::hex << static_cast<std::uint32_t>(code);
        ASSERT_EQ(utf8_width(code), entry.shift_jis.size()) << std::hex << static_cast<std::uint32_t>(code);
    }
}

struct TableCase {
    const char* name;
    char32_t code;
    std::uint8_t char_class;
    std::uint8_t width;
};

TEST(Utf8Table, CharactersBeyondCodePage932) {
    const TableCase cases[] = {
        {"Latin letter with a diacritic", 0xE9, CLASS_WORD, 1},
        {"Latin Extended-A", 0x100, CLASS_WORD, 1},
        {"Greek letter with tonos", 0x3AC, CLASS_LETTER, 1},
        {"Hangul syllable", 0xD55C, CLASS_LETTER, 2},
        {"hiragana vu", 0x3094, CLASS_HIRAGANA, 2},
        {"CJK Extension A", 0x3400, CLASS_KANJI, 2},
        {"unassigned, reserved for ideographs", 0x2FFFD, CLASS_KANJI, 2},
        {"unassigned", 0x378, CLASS_SYMBOL, 1},
        {"emoji", 0x1F600, CLASS_SYMBOL, 2},
        {"superscript two", 0xB2, CLASS_SYMBOL, 1},
        {"no-break space", 0xA0, CLASS_BLANK, 1},
        {"zero width space", 0x200B, CLASS_BLANK, 0},
        {"combining voiced sound mark", 0x3099, CLASS_JOINING, 0},
        {"zero width joiner", 0x200D, CLASS_JOINING, 0},
        {"soft hyphen", 0xAD, CLASS_JOINING, 1},
        {"stray byte", STRAY_BYTE_BASE + 0x80, CLASS_HALFWIDTH, 1},
        {"last code point", 0x10FFFF, CLASS_SYMBOL, 1},
    };
    for (const TableCase& c : cases) {
        EXPECT_EQ(utf8_class(c.code), c.char_class) << c.name;
        EXPECT_EQ(utf8_width(c.code), c.width) << c.name;
    }
}

struct ClassifyCase {
    const char* name;
    std::string text;
    std::vector<int> classes;
};

TEST(ClassifyUtf8, EveryByteCarriesItsCharactersClass) {
    const int W = CLASS_WORD, K = CLASS_KANJI, H = CLASS_HIRAGANA, L = CLASS_LETTER, S = CLASS_SYMBOL;
    const ClassifyCase cases[] = {
        {"a Latin word with an accent", "caf\xC3\xA9 ", {W, W, W, W, W, CLASS_BLANK}},
        {"kanji then hiragana", "\xE4\xBB\x8A\xE3\x81\xAF", {K, K, K, H, H, H}},
        {"a voiced sound mark joins its katakana", "\xE3\x82\xAB\xE3\x82\x99" "a", {L, L, L, L, L, L, W}},
        {"a mark at the start is a symbol", "\xCC\x81" "a", {S, S, W}},
        {"a cut sequence is stray bytes", "\xE3\x81", {CLASS_HALFWIDTH, CLASS_HALFWIDTH}},
    };
    for (const ClassifyCase& c : cases) {
        LineMap classes;
        classify_utf8(c.text.c_str(), classes);
        EXPECT_EQ(std::vector<int>(classes.begin(), classes.begin() + static_cast<std::ptrdiff_t>(c.text.size())),
                  c.classes)
            << c.name;
    }
}

}  // namespace
}  // namespace vesk
