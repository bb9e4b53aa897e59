// -i and a line cut at 4,095 bytes between the two bytes of a double-byte
// character: the piece after the cut opens on the trail byte, which neither the
// fingerprint nor the second look at a pair may fold (text_rules_test holds
// both to a plain reference); here, where such a piece begins.
#include <gtest/gtest.h>

#include <string>

#include "compare/fingerprint.h"

namespace vesk {
namespace {

constexpr FirstByte OWN = FirstByte::own;
constexpr FirstByte TRAIL = FirstByte::trail;

TEST(CutCharacter, APieceEndsOnALeadByteWhenItsTrailByteIsLeftOver) {
    struct Row {
        const char* piece;
        FirstByte first_byte;
        bool ends_on_lead;
    };
    const Row rows[] = {
        {"abc", OWN, false},
        {"ab\x83", OWN, true},
        {"\x83\x83", OWN, false},         // one whole character
        {"\x83\x83\x83", OWN, true},      // a character, then a lead byte
        {"\x83", TRAIL, false},           // the trail byte of the cut character
        {"A\x83", TRAIL, true},
        {"a\xB1", OWN, false},            // one-byte katakana
        {"a\x80", OWN, true},             // 0x80 leads for -i
    };
    for (const Row& row : rows) EXPECT_EQ(ends_on_lead_byte(row.piece, row.first_byte), row.ends_on_lead) << row.piece;
}

}  // namespace
}  // namespace vesk
