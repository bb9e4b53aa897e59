// Line fingerprints: every line reduced to a 32-bit value; the comparison engine
// treats two lines as equal exactly when their fingerprints are equal. Bytes, not
// characters: the sums count every byte up to the line's newline. -i folds only the
// ASCII capitals, stepping over the second byte of a double-byte character (lead
// byte 0x80-0xA0 or 0xE0-0xFF; 0xA1-0xDF are one-byte katakana). -b counts every
// run of blanks and tabs as one blank and drops blanks at the end of the line.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "driver/line_table.h"

namespace vesk {

// Folds the ASCII capitals of a NUL-terminated text in place; returns 0.
int fold_case(char* text);

// True for the control bytes that no text file may hold: everything below 0x20
// but tab, form feed, carriage return and escape.
constexpr bool is_forbidden_control(unsigned char byte) {
    return byte < 0x20 && byte != 0x09 && byte != 0x0C && byte != 0x0D && byte != 0x1B;
}

// The fingerprint of line (its bytes up to its end; a NUL is never inside), as
// the options in flags normalise it, or nothing when the line is not text.
std::optional<std::uint32_t> compute_fingerprint(std::string_view line, std::uint32_t flags);

// Gives the line stored as text `table.count` its fingerprint and counts it;
// returns 0, or -1 (nothing counted) when the line is not text.
int fingerprint_line(LineTable& table, std::string_view line, std::uint32_t flags);

}  // namespace vesk
