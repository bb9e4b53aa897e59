// Decoding an input file's bytes into the UTF-8 text that the comparison reads
// under --encoding. CP932 and EUC-JP go through the C library's iconv (as CP932
// and EUC-JP-MS, which share the NEC and IBM extensions, so that a file and its
// conversion between the two read alike); UTF-8 and UTF-16 are decoded here.
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
#include <string_view>

#include "model/input_encoding.h"
#include "support/memory.h"

namespace vesk {

struct DecodedText {
    WorkVector<char> text;    // UTF-8
    std::size_t raw_bytes = 0;  // bytes (or UTF-16 units) that started no character
};

// The length of the byte-order mark that bytes open with for encoding (UTF-8 or
// either UTF-16); 0 when there is none or encoding has none.
std::size_t byte_order_mark_length(std::string_view bytes, InputEncoding encoding);

// bytes (byte-order mark excluded) decoded from encoding: cp932, euc_jp, utf8,
// utf16le or utf16be. False when the C library cannot decode the encoding at all.
bool decode_text(std::string_view bytes, InputEncoding encoding, DecodedText& decoded);

}  // namespace vesk
