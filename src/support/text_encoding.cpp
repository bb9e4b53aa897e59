#include "support/text_encoding.h"

#include "support/byte_rules.h"

namespace vesk {
namespace {

// The length of a well-formed sequence by its first byte, and the bounds of its
// second byte, which rule out overlong forms (after 0xE0 and 0xF0), surrogates
// (after 0xED) and codes beyond U+10FFFF (after 0xF4). Length 1: no sequence
// starts with this byte.
struct SequenceStart {
    std::size_t length;
    unsigned char second_low, second_high;
};

constexpr SequenceStart sequence_start(unsigned char lead) {
    if (lead >= 0xC2 && lead <= 0xDF) return {2, 0x80, 0xBF};
    if (lead == 0xE0) return {3, 0xA0, 0xBF};
    if (lead == 0xED) return {3, 0x80, 0x9F};
    if (lead >= 0xE1 && lead <= 0xEF) return {3, 0x80, 0xBF};
    if (lead == 0xF0) return {4, 0x90, 0xBF};
    if (lead >= 0xF1 && lead <= 0xF3) return {4, 0x80, 0xBF};
    if (lead == 0xF4) return {4, 0x80, 0x8F};
    return {1, 0, 0};
}

// Reads the bytes in order and stops at the first that does not fit, so with
// available at 4 it never passes a NUL: a NUL is no continuation byte.
Utf8Char decode(const unsigned char* bytes, std::size_t available) {
    unsigned char lead = bytes[0];
    if (lead < 0x80) return {lead, 1};
    const Utf8Char stray{STRAY_BYTE_BASE + lead, 1};
    SequenceStart start = sequence_start(lead);
    if (start.length == 1 || available < start.length) return stray;
    if (bytes[1] < start.second_low || bytes[1] > start.second_high) return stray;
    // The lead keeps 5, 4 or 3 bits of the code; every later byte 6.
    char32_t code = lead & (0x7Fu >> start.length);
    for (std::size_t at = 1; at < start.length; ++at) {
        if ((bytes[at] & 0xC0) != 0x80) return stray;
        code = code << 6 | (bytes[at] & 0x3Fu);
    }
    return {code, start.length};
}

}  // namespace

Utf8Char decode_utf8(const char* text) {
    return decode(reinterpret_cast<const unsigned char*>(text), 4);
}

Utf8Char decode_utf8(std::string_view text) {
    return decode(reinterpret_cast<const unsigned char*>(text.data()), text.size());
}


std::size_t char_length(const char* text, Encoding encoding) {
    if (encoding == Encoding::utf8) return decode_utf8(text).length;
    return is_sjis_lead_byte(static_cast<unsigned char>(text[0])) && text[1] != '\0' ? 2 : 1;
}

}  // namespace vesk
