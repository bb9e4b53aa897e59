// Decoding an input file's bytes into the UTF-8 text that the comparison reads
// under --encoding. CP932 and EUC-JP are read as the C library's iconv reads
// them (as CP932 and EUC-JP-MS, which share the NEC and IBM extensions, so that
// a file and its conversion between the two read alike): iconv is asked once
// per distinct code, and its answer kept for the rest of the file. UTF-8 and
// UTF-16 are decoded here.
//
// A byte that starts no character of the file's encoding stays as it is, a
// character of its own, exactly as such a byte of a UTF-8 file does: raw bytes
// must never read as a character that the file does not hold. Two cases would,
// and are written otherwise: a raw byte that would complete a well-formed UTF-8
// sequence with the raw bytes before it becomes E0 82 and the byte (an overlong
// form, three stray bytes), and a raw byte below 0x80 (the odd last byte of a
// UTF-16 file) its two-byte overlong form, C0 or C1 and a continuation byte. A
// UTF-16 surrogate without its partner becomes its three-byte form ED A0..BF xx,
// three stray bytes. None of these forms comes out of a valid text.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

#include "model/input_encoding.h"

namespace vesk {

// What decoding made: its length in bytes, and how many bytes (or UTF-16 units)
// started no character.
struct DecodedText {
    std::size_t size = 0;
    std::size_t raw_bytes = 0;
};

// The room that decoding count bytes may take: at most three bytes come out for
// every byte that goes in (a character of one or two bytes is at most three
// in UTF-8, and so is a raw byte).
constexpr std::size_t decoded_size_bound(std::size_t count) { return count * 3 + 4; }

// The length of the byte-order mark that bytes open with for encoding (UTF-8 or
// either UTF-16); 0 when there is none or encoding has none.
std::size_t byte_order_mark_length(std::string_view bytes, InputEncoding encoding);

// bytes (byte-order mark excluded) decoded from encoding (cp932, euc_jp, utf8,
// utf16le or utf16be) into out, which has room for decoded_size_bound(bytes'
// size). Nothing when the C library cannot decode the encoding at all.
// Decoding may stop at the first raw byte past raw_limit, for a choice that has
// seen enough: the text made is then of no use but for that count.
std::optional<DecodedText> decode_text(std::string_view bytes, InputEncoding encoding, char* out,
                                       std::size_t raw_limit = SIZE_MAX);

}  // namespace vesk
