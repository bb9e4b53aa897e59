// -i and a line cut at 4,095 bytes between the two bytes of a double-byte
// character: the piece after the cut opens on the trail byte, which neither the
// fingerprint nor the second look at a pair may fold.
#include <gtest/gtest.h>

#include <string>

#include "compare/fingerprint.h"
#include "compare/pair_compare.h"
#include "model/options.h"

namespace vesk {
namespace {

constexpr FirstByte kOwn = FirstByte::own;
constexpr FirstByte kTrail = FirstByte::trail;

TEST(CutCharacter, APieceEndsOnALeadByteWhenItsTrailByteIsLeftOver) {
    struct Row {
        const char* piece;
        FirstByte first_byte;
        bool ends_on_lead;
    };
    const Row rows[] = {
        {"abc", kOwn, false},
        {"ab\x83", kOwn, true},
        {"\x83\x83", kOwn, false},         // one whole character
        {"\x83\x83\x83", kOwn, true},      // a character, then a lead byte
        {"\x83", kTrail, false},           // the trail byte of the cut character
        {"A\x83", kTrail, true},
        {"a\xB1", kOwn, false},            // one-byte katakana
        {"a\x80", kOwn, true},             // 0x80 leads for -i
    };
    for (const Row& row : rows) EXPECT_EQ(ends_on_lead_byte(row.piece, row.first_byte), row.ends_on_lead) << row.piece;
}

TEST(CutCharacter, ATrailByteThatOpensALineIsNeverFolded) {
    struct Row {
        const char* first;
        FirstByte first_byte1;
        const char* second;
        FirstByte first_byte2;
        std::uint32_t flags;
        bool differ;
    };
    const std::uint32_t fold = OPT_IGNORE_CASE, fold_and_squeeze = OPT_IGNORE_CASE | OPT_SQUEEZE_BLANKS;
    const Row rows[] = {
        {"A\n", kTrail, "a\n", kTrail, fold, true},
        {"AB\n", kTrail, "Ab\n", kTrail, fold, false},  // folding resumes after the trail byte
        {"A\n", kOwn, "a\n", kOwn, fold, false},
        {"A\n", kTrail, "A\n", kOwn, fold, true},       // the same bytes, read two ways
        {"a\n", kTrail, "a\n", kOwn, fold, false},
        {"A  x\n", kTrail, "a x\n", kTrail, fold_and_squeeze, true},
        {"A  x\n", kTrail, "A x \n", kTrail, fold_and_squeeze, false},
        {"A\n", kTrail, "A\n", kOwn, 0, false},         // without -i nothing is folded anyway
        {"A\n", kTrail, "a\n", kOwn, fold | OPT_UTF8, false},  // UTF-8 has no trail bytes to skip
    };
    for (const Row& row : rows) {
        EXPECT_EQ(lines_differ({row.first, row.first_byte1}, {row.second, row.first_byte2}, row.flags), row.differ)
            << row.first << " / " << row.second;
        EXPECT_EQ(compute_fingerprint(row.first, row.flags, row.first_byte1) !=
                      compute_fingerprint(row.second, row.flags, row.first_byte2),
                  row.differ)
            << row.first << " / " << row.second;
    }
}

}  // namespace
}  // namespace vesk
