// --side-by-side end to end, each row worked out by hand from the layout: a left
// cell of Lw = (W - 3) / 2 columns padded with blanks, the gutter " m ", then the
// right cell of W - 3 - Lw columns, no blank at the end of a row.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "e2e/e2e_harness.h"

namespace vesk::e2e {
namespace {

std::string blanks(std::size_t count) { return std::string(count, ' '); }

struct Case {
    const char* name;
    std::string first, second;
    std::vector<std::string> options;
    Outcome expected;
};

const std::string NIHONGO_NO = "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E\xE3\x81\xAE";  // 日本語の, 8 columns
const std::string TEKISUTO = "\xE3\x83\x86\xE3\x82\xAD\xE3\x82\xB9\xE3\x83\x88";    // テキスト
const std::string BUNSHOU = "\xE6\x96\x87\xE7\xAB\xA0";                              // 文章
// 日本語の in Shift-JIS, and the half-width katakana ｱｲ (one column each).
const std::string NIHONGO_NO_SJIS = "\x93\xFA\x96\x7B\x8C\xEA\x82\xCC";
const std::string AI_HALF_WIDTH_SJIS = "\xB1\xB2";

TEST(SideBySide, RowsWorkedOutByHand) {
    const Case cases[] = {
        // W 20: Lw 8, right cell 9. keep is common; the change pairs its first
        // lines (ESC shows as ^[, 6 columns), and "extra" is left over: nothing
        // after its mark. -x changes nothing.
        {"width 20, a control byte, a < row",
         "keep\ne\x1b[1m\nextra\n", "keep\ne\x1b[2m\n", {"-x", "--width=20"},
         {"keep" + blanks(4) + "   keep\ne^[[1m" + blanks(2) + " | e^[[2m\nextra" + blanks(3) + " <\n", "", 1}},
        // W 21 (odd): Lw 9 and 9. 日本語の takes 8 columns; テ would take the 9th
        // and 10th, so a blank stands in the 9th. On the right the same blank is
        // the row's end, which is left out.
        {"odd width, a wide character at the cut",
         NIHONGO_NO + TEKISUTO + "\n", NIHONGO_NO + BUNSHOU + "\n", {"--utf8", "--width=21"},
         {NIHONGO_NO + " " + " | " + NIHONGO_NO + "\n", "", 1}},
        // The same in Shift-JIS, a column per byte: ｱｲ are one column each, so 日本語のｱ
        // fills the 9 columns and ｲ is cut.
        {"Shift-JIS, half-width katakana at the cut",
         NIHONGO_NO_SJIS + AI_HALF_WIDTH_SJIS + "\n", "x\n", {"--width=21"},
         {NIHONGO_NO_SJIS + "\xB1" + " | x\n", "", 1}},
        // -t 6, W 20: the left tab stands at column 7 and would run to 12: one blank
        // reaches the edge and X is cut. On the right ab is followed by blanks to
        // the stop at 6, counted from the cell's start, not the row's.
        {"a tab crossing the cell's edge",
         "abcdefg\tX\n", "ab\tcd\n", {"-t", "6", "--width=20"},
         {"abcdefg " + std::string(" | ") + "ab    cd\n", "", 1}},
        // W 30: Lw 13. Only the rows of the lines that the second file adds.
        {"--suppress-common-lines, > rows",
         "one\ntwo\n", "one\ntwo\nthree\nfour\n", {"--suppress-common-lines", "--width=30"},
         {blanks(13) + " > three\n" + blanks(13) + " > four\n", "", 1}},
        // -i makes One and one common: one row, each side its own text. The form
        // feed of the common line shows as ^L on both sides.
        {"-N first, every line of equal files", "One\n\f\n", "one\n\f\n", {"-N", "-i", "--width=20"},
         {"<< a : b >>\nOne" + blanks(5) + "   one\n^L" + blanks(6) + "   ^L\n", "", 0}},
        {"nothing to show", "x\n", "x\n", {"--suppress-common-lines"}, {"", "", 0}},
        {"-c", "x\n", "y\n", {"-c"}, {"", "-c and --side-by-side cannot be given together\n", 2}},
        {"--unified", "x\n", "y\n", {"--unified"}, {"", "--unified and --side-by-side cannot be given together\n", 2}},
        {"width below 20", "x\n", "y\n", {"--width=19"},
         {"", "--width=19: invalid width (a number of columns from 20 to 1000000)\n", 2}},
        {"width not a number", "x\n", "y\n", {"--width=2O"},
         {"", "--width=2O: invalid width (a number of columns from 20 to 1000000)\n", 2}},
    };
    for (const Case& test : cases) {
        std::vector<std::string> options = test.options;
        options.insert(options.begin(), "--side-by-side");
        EXPECT_EQ(compare(test.first, test.second, options), test.expected) << test.name;
    }
    EXPECT_EQ(compare("x\n", "y\n", {"--suppress-common-lines"}),
              (Outcome{"", "--suppress-common-lines needs --side-by-side\n", 2}));
}

TEST(SideBySide, WithoutATerminalRowsAre130Columns) {
    // Lw 63: x, 62 blanks, the gutter, y.
    EXPECT_EQ(compare("x\n", "y\n", {"--side-by-side"}), (Outcome{"x" + blanks(62) + " | y\n", "", 1}));
}

}  // namespace
}  // namespace vesk::e2e
