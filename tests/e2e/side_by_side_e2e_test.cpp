// --side-by-side end to end, each row worked out by hand from the layout: a left
// cell of Lw = (W - 3) / 2 columns padded with blanks, the gutter " m ", then the
// right cell of W - 3 - Lw columns, no blank at the end of a row.
#include <gtest/gtest.h>

#include <string>

#include "e2e/e2e_harness.h"

namespace vesk::e2e {
namespace {

std::string blanks(std::size_t count) { return std::string(count, ' '); }

// The cells, widths and marks of every row are held to a plain reference by
// the generated pairs (report/side_by_side_property_test.cpp); this row is the
// colours, which that test only strips.
TEST(SideBySide, ColouredRowsWorkedOutByHand) {
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
