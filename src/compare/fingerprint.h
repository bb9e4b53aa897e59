// Line fingerprints: every line reduced to a 32-bit value; the comparison engine
// treats two lines as equal exactly when their fingerprints are equal. Bytes, not
// characters: the sums count every byte up to the line's newline. -i folds only the
// ASCII capitals, stepping over the second byte of a double-byte character (lead
// byte 0x80-0xA0 or 0xE0-0xFF; 0xA1-0xDF are one-byte katakana), or under --utf8
// wherever they stand. -b counts every run of blanks and tabs as one blank and
// drops blanks at the end of the line.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "model/line_table.h"
#include "model/text_rules.h"
#include "support/byte_rules.h"

namespace vesk {

// The fingerprint of line (its bytes up to its first newline), as the text rules
// normalise it, or nothing when the line is not text: it holds a NUL or
// another forbidden control byte. first_byte: how -i reads the line's first byte.
std::optional<std::uint32_t> compute_fingerprint(std::string_view line, TextRules rules,
                                                 FirstByte first_byte = FirstByte::own);

// Gives the line stored as text `table.count` its fingerprint and counts it,
// with how -i reads its first byte; false (nothing counted) when the line is not text.
bool fingerprint_line(LineTable& table, std::string_view line, TextRules rules,
                      FirstByte first_byte = FirstByte::own);

// Whether -i's walk over piece, a line cut short at 4,095 bytes, ends on a lead
// byte: its trail byte then opens the next piece.
bool ends_on_lead_byte(std::string_view piece, FirstByte first_byte);

}  // namespace vesk
