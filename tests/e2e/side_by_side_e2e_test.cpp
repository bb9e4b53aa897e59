// --side-by-side end to end, each row worked out by hand from the layout: a left
// cell of Lw = (W - 3) / 2 columns padded with blanks, the gutter " m ", then the
// right cell of W - 3 - Lw columns, no blank at the end of a row.
#include <gtest/gtest.h>

#include <string>

#include "e2e/e2e_harness.h"

namespace vesk::e2e {
namespace {

std::string blanks(std::size_t count) { return std::string(count, ' '); }

const std::string NIHONGO_NO = "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E\xE3\x81\xAE";  // 日本語の, 8 columns
const std::string TE = "\xE3\x83\x86", BUN = "\xE6\x96\x87";                          // テ, 文
const std::string NIHONGO_NO_SJIS = "\x93\xFA\x96\x7B\x8C\xEA\x82\xCC", A_HALF_WIDTH_SJIS = "\xB1";  // 日本語の, ｱ

TEST(SideBySide, RowsWorkedOutByHand) {
    // W 20: Lw 8, right cell 9; -t 6; -x changes nothing. keep is common. The
    // left tab stands at column 7 and would run to 12: one blank reaches the edge
    // and X is cut; on the right the tab runs from ab to the stop at 6, counted
    // from the cell's start. ESC shows as ^[ (6 columns for e^[[1m). 日本語の
    // fills the left cell, so ｱ is cut, and its line is left over: nothing follows
    // its mark.
    EXPECT_EQ(compare("keep\nabcdefg\tX\ne\x1b[1m\n" + NIHONGO_NO_SJIS + A_HALF_WIDTH_SJIS + "\n",
                      "keep\nab\tcd\ne\x1b[2m\n", {"--side-by-side", "-x", "-t", "6", "--width=20"}),
              (Outcome{"keep" + blanks(4) + "   keep\nabcdefg  | ab    cd\ne^[[1m" + blanks(2) + " | e^[[2m\n" +
                           NIHONGO_NO_SJIS + " <\n",
                       "", 1}));
    // W 21 (odd): Lw 9 and 9; common lines left out. テ would take the 9th and
    // 10th columns after 日本語の, so a blank stands in the 9th; on the right the
    // same blank would end the row and is left out. "more" is the second's alone.
    EXPECT_EQ(compare("same\n" + NIHONGO_NO + TE + "\n", "same\n" + NIHONGO_NO + BUN + "\nmore\n",
                      {"--utf8", "--side-by-side", "--suppress-common-lines", "--width=21"}),
              (Outcome{NIHONGO_NO + "  | " + NIHONGO_NO + "\n" + blanks(9) + " > more\n", "", 1}));
    // W 21, coloured: the left cell of the | row in de (31) with its changed word
    // in dw (7;31), the right cell in ad (32) and aw (7;32): abc and the blank are
    // common tokens, 8 of the pair's 14 characters, so the pair is similar. The
    // padding (3 blanks after 7 columns), the gutter and the common row stay
    // plain; the < row's cell is de whole, then its 6 blanks of padding.
    EXPECT_EQ(compare("same\nabc def\ngone\n", "same\nabc xyz\n", {"--side-by-side", "--width=21", "--color=always"}),
              (Outcome{"same" + blanks(8) + "same\n\x1b[31mabc \x1b[7;31mdef\x1b[0m\x1b[31m\x1b[0m" + blanks(3) +
                           "| \x1b[32mabc \x1b[7;32mxyz\x1b[0m\x1b[32m\x1b[0m\n\x1b[31mgone\x1b[0m" + blanks(6) + "<\n",
                       "", 1}));
}

}  // namespace
}  // namespace vesk::e2e
