// --utf8 end to end: the faults that reading UTF-8 as Shift-JIS made, each
// pinned with the output worked out by hand, and where the option may stand.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "e2e/e2e_harness.h"

namespace vesk::e2e {
namespace {

// UTF-8 bytes of the characters the cases use.
const std::string KYOU_WA = "\xE4\xBB\x8A\xE6\x97\xA5\xE3\x81\xAF";  // 今日は
const std::string YOI = "\xE8\x89\xAF";                            // 良
const std::string WARUI = "\xE6\x82\xAA";                          // 悪
const std::string I_TENKI_DESU = "\xE3\x81\x84\xE5\xA4\xA9\xE6\xB0\x97\xE3\x81\xA7\xE3\x81\x99\xE3\x80\x82";  // い天気です。
const std::string HARE_RE = "\xE6\x99\xB4\xE3\x82\x8C";            // 晴れ
const std::string AME = "\xE9\x9B\xA8";                            // 雨
const std::string DESU = "\xE3\x81\xA7\xE3\x81\x99";               // です
const std::string TESUTO = "\xE3\x83\x86\xE3\x82\xB9\xE3\x83\x88";  // テスト, ト ends in 0x88
const std::string NIHON = "\xE6\x97\xA5\xE6\x9C\xAC";              // 日本
const std::string HIRA_A = "\xE3\x81\x82";                         // あ

const std::string TAB = "\t", CARET_TAB = "^\t";

std::string blanks(std::size_t count) { return std::string(count, ' '); }

std::string repeated(const std::string& text, int count) {
    std::string result;
    for (int at = 0; at < count; ++at) result += text;
    return result;
}

std::string one_line_change(const std::string& first_line, const std::string& second_line) {
    return "change: 1 : 1\n" + first_line + "------\n" + second_line;
}

TEST(Utf8, WordFormHidesWholeCharactersInTheirColumns) {
    // 今日は (6 columns) is the same in both lines and leaves six blanks; 良 and
    // 悪 differ and are shown whole; widening stops at the hiragana on either
    // side, so い天気です。 (12 columns) is hidden too, and the hidden newline
    // leaves a 13th blank before the line break print_line adds.
    EXPECT_EQ(compare(KYOU_WA + YOI + I_TENKI_DESU + "\n", KYOU_WA + WARUI + I_TENKI_DESU + "\n", {"--utf8", "-x"}),
              (Outcome{one_line_change(TAB + blanks(6) + YOI + blanks(13) + "\n",
                                       TAB + blanks(6) + WARUI + blanks(13) + "\n"),
                       "", 1}));
}

TEST(Utf8, ReplacementFormShowsTheWholeWord) {
    // The common prefix 今日は is six columns; the middles 晴れ and 雨 widen
    // through the hiragana です, which the forward merge carries to line 2.
    EXPECT_EQ(compare(KYOU_WA + HARE_RE + DESU + "\n", KYOU_WA + AME + DESU + "\n", {"--utf8", "-X"}),
              (Outcome{one_line_change(CARET_TAB + blanks(6) + HARE_RE + DESU + "\n", CARET_TAB + blanks(6) + AME + DESU + "\n"),
                       "", 1}));
}

TEST(Utf8, IgnoreCaseFoldsACapitalAfterKatakana) {
    EXPECT_EQ(compare(TESUTO + "A\n", TESUTO + "a\n", {"--utf8", "-i"}), (Outcome{"", "", 0}));
    // Also where a 4,095-byte cut puts the capital first in its piece after a
    // byte that Shift-JIS folding would take for a lead byte.
    const std::string cut(4094, 'a');
    EXPECT_EQ(compare(cut + "\x80" "A\n", cut + "\x80" "a\n", {"--utf8", "-i"}), (Outcome{"", "", 0}));
}

TEST(Utf8, TabStopsCountColumns) {
    // 日本 is four columns wide: the tab fills columns 4 to 7.
    EXPECT_EQ(compare(NIHON + "\tx\n", NIHON + "\ty\n", {"--utf8", "-t", "8"}),
              (Outcome{one_line_change(TAB + NIHON + blanks(4) + "x\n", TAB + NIHON + blanks(4) + "y\n"), "", 1}));
}

TEST(Utf8, TooLongLineIsCutAt256ColumnsBetweenCharacters) {
    // "a" and 200 あ are 401 columns; the tab reaches column 4,096. The message
    // shows 256 columns: "a" and 127 あ make 255, the next あ would cross the
    // edge, so one blank stands in front instead.
    const std::string line = std::string("a") + repeated(HIRA_A, 200) + "\t\n";
    EXPECT_EQ(compare(line, "b\n", {"--utf8", "-t", "4096"}),
              (Outcome{std::string("change: 1 : 1\nError:  a") + repeated(HIRA_A, 127) + " ... too long line\n", "", 1}));
}

}  // namespace
}  // namespace vesk::e2e
