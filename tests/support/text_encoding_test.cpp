#include "support/text_encoding.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <utility>
#include <string>

namespace vesk {
namespace {

bool is_scalar_value(char32_t code) {
    return code <= 0x10FFFF && (code < 0xD800 || code > 0xDFFF);
}

// Never for production: UTF-8 written out from its definition.
std::string encode(char32_t code) {
    auto byte = [](char32_t value) { return static_cast<char>(value); };
    auto tail = [&](int shift) { return byte(0x80 | ((code >> shift) & 0x3F)); };
    if (code < 0x80) return {byte(code)};
    if (code < 0x800) return {byte(0xC0 | code >> 6), tail(0)};
    if (code < 0x10000) return {byte(0xE0 | code >> 12), tail(6), tail(0)};
    return {byte(0xF0 | code >> 18), tail(12), tail(6), tail(0)};
}

// Never for production: a sequence is well-formed exactly when it is the
// encoding of a scalar value, so try each length and re-encode what it spells.
Utf8Char reference_decode(std::string_view bytes) {
    for (std::size_t length = 2; length <= std::min<std::size_t>(4, bytes.size()); ++length) {
        char32_t code = static_cast<unsigned char>(bytes[0]) & (0x7Fu >> length);
        for (std::size_t at = 1; at < length; ++at) code = code << 6 | (static_cast<unsigned char>(bytes[at]) & 0x3Fu);
        if (is_scalar_value(code) && encode(code) == bytes.substr(0, length)) return {code, length};
    }
    auto first = static_cast<unsigned char>(bytes[0]);
    return {first < 0x80 ? first : STRAY_BYTE_BASE + first, 1};
}

// Decoded characters compare as (code, length), printed in hexadecimal.
std::pair<std::uint32_t, std::size_t> as_pair(Utf8Char decoded) { return {decoded.code, decoded.length}; }

// Every first and second byte, with later bytes that continue (the least, the
// most, and bits of both), end or break a sequence, read whole and cut short:
// every sequence of two bytes, the bounds of the longer ones, and every stray.
TEST(DecodeUtf8, AgreesWithTheDefinitionOnAnyBytes) {
    const unsigned char later[] = {0x00, 0x41, 0x80, 0x95, 0xAA, 0xBF, 0xC0};
    for (unsigned first = 0x80; first <= 0xFF; ++first)
        for (unsigned second = 0; second <= 0xFF; ++second)
            for (unsigned char third : later)
                for (unsigned char fourth : later) {
                    const char bytes[] = {static_cast<char>(first), static_cast<char>(second),
                                          static_cast<char>(third), static_cast<char>(fourth), '\0'};
                    std::string_view whole(bytes, 4);
                    ASSERT_EQ(as_pair(decode_utf8(bytes)), as_pair(reference_decode(whole))) << std::hex << first << " " << second;
                    for (std::size_t size = 1; size <= 4; ++size)
                        ASSERT_EQ(as_pair(decode_utf8(whole.substr(0, size))), as_pair(reference_decode(whole.substr(0, size))));
                }
}

}  // namespace
}  // namespace vesk
