// Decoding into UTF-8 and choosing an encoding: each row's expected bytes are
// worked out from the code charts (JIS X 0208 row and cell to Unicode, then
// UTF-8 by hand), not taken from iconv.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "driver/encoding_detection.h"
#include "driver/transcoding.h"
#include "support/text_encoding.h"

namespace vesk {
namespace {

using Decoded = std::pair<std::string, std::size_t>;  // the text, and how many bytes were raw

Decoded decode(InputEncoding encoding, const std::string& bytes) {
    std::string out(decoded_size_bound(bytes.size()), '\0');
    DecodedText decoded = decode_text(bytes, encoding, out.data()).value();
    return {out.substr(0, decoded.size), decoded.raw_bytes};
}

// text followed by count times piece.
std::string repeated(std::string text, const std::string& piece, int count) {
    while (count-- > 0) text += piece;
    return text;
}

using enum InputEncoding;
const std::string A = "\xE3\x81\x82";  // あ U+3042

TEST(Transcoding, DecodesEachEncodingAndKeepsRawBytesStray) {
    struct Row {
        InputEncoding encoding;
        std::string bytes;
        Decoded expected;
    } rows[] = {
        {cp932, "\x82\xA0\\~", {A + "\\~", 0}},               // あ is 82 A0; 5C and 7E stay ASCII
        // 87 bytes: once each code has been met (by offset 4), a 64-byte block
        // starts at 4, and its last pair (67-68) reaches into the next.
        {cp932, repeated("a\x82\xA0" "b\x82\xA0" "b", "\x82\xA0", 40), {repeated("a" + A + "b" + A + "b", A, 40), 0}},
        {cp932, "\xB1", {"\xEF\xBD\xB1", 0}},                 // half-width ｱ U+FF71
        {cp932, "x\x82", {"x\x82", 1}},                       // a lead byte cut off by the end
        {cp932, "\x85\x40", {"\x85@", 1}},                    // row 0x85 is unassigned: raw 85, then @
        {euc_jp, "\xA4\xA2", {A, 0}},                         // あ is row 4 cell 2
        {euc_jp, "\x8E\xB1", {"\xEF\xBD\xB1", 0}},            // ｱ after SS2
        {euc_jp, "\x8F\xB0\xA1", {"\xE4\xB8\x82", 0}},        // JIS X 0212 row 16 cell 1, 丂 U+4E02
        // C2 and A0 are raw in EUC-JP, and together would read as U+00A0.
        {euc_jp, "\xC2\xA0", {"\xC2\xE0\x82\xA0", 2}},
        {utf16le, std::string("A\0\x42\x30", 4), {"A" + A, 0}},
        {utf16be, std::string("\0A\x30\x42", 4), {"A" + A, 0}},
        {utf16le, std::string("\x3D\xD8\x00\xDE", 4), {"\xF0\x9F\x98\x80", 0}},  // U+1F600, a surrogate pair
        {utf16le, std::string("\x00\xD8" "A\0", 4), {"\xED\xA0\x80" "A", 1}},  // D800 alone
        {utf16le, std::string("A\0B", 3), {"A\xC1\x82", 1}},  // odd last byte 42: C1 82, never "B"
        {utf8, "a\xFF\xE3\x81", {"a\xFF\xE3\x81", 3}},
    };
    for (const Row& row : rows) EXPECT_EQ(decode(row.encoding, row.bytes), row.expected) << row.bytes;
}

// The rule all raw bytes keep: a text decodes with raw bytes exactly when its
// UTF-8 holds a stray byte, so no invalid file reads as a valid one.
TEST(Transcoding, RawBytesAndOnlyThemLeaveStrayBytes) {
    std::mt19937 random(26);
    const char bytes_used[] = "\x80\x81\x82\x8E\x8F\xA0\xA1\xA4\xB1\xC2\xDF\xE0\xE3\xEB\xED\xF0\xFC\xFDxA\n\0\xD8\xDC";
    const std::string pool(bytes_used, sizeof bytes_used - 1);
    for (int round = 0; round < 3000; ++round) {
        std::string bytes;
        // Some long enough for the paths that decode many bytes at a time.
        for (std::size_t count = random() % (round % 8 == 0 ? 200 : 7); count > 0; --count)
            bytes += pool[random() % pool.size()];
        for (InputEncoding encoding : {cp932, euc_jp, utf16le, utf16be, utf8}) {
            Decoded decoded = decode(encoding, bytes);
            bool stray = false;
            for (std::size_t at = 0; at < decoded.first.size();) {
                Utf8Char next = decode_utf8(std::string_view(decoded.first).substr(at));
                stray = stray || (next.code >= STRAY_BYTE_BASE && next.code <= STRAY_BYTE_BASE + 0xFF);
                at += next.length;
            }
            ASSERT_EQ(stray, decoded.second > 0) << static_cast<int>(encoding) << " " << bytes;
        }
    }
}

TEST(Transcoding, ChoosesTheEncoding) {
    const std::string prose = "今日はいい天気です。明日も晴れるでしょう。\n";  // UTF-8
    struct Row {
        std::string bytes;
        InputEncoding requested, chosen;
    } rows[] = {
        {"\xEF\xBB\xBF" "abc", detect, utf8},
        {"\xFF\xFE" "a\0", detect, utf16le},
        {"\xFE\xFF\0a", utf16, utf16be},
        {std::string("a\0b\0", 4), utf16, utf16le},
        {std::string("a\0\n\0", 4), detect, utf16le},  // NULs at odd offsets
        // NULs at even offsets: "0000" in UTF-16BE, though 30 00 read the other
        // way round is the ideographic space, which weighs more than a digit.
        {std::string("\0" "0\0" "0\0" "0\0" "0", 8), detect, utf16be},
        {prose, detect, utf8},
        // 今日は in CP932 (8D A1 93 FA 82 CD) and in EUC-JP (BA A3 C6 FC A4 CF).
        {"\x8D\xA1\x93\xFA\x82\xCD\n", detect, cp932},
        {"\xBA\xA3\xC6\xFC\xA4\xCF\n", detect, euc_jp},
        // ｱｲｳｴｵ, valid CP932; as EUC-JP two kanji and a stray byte, which would
        // weigh more than five half-width katakana, were validity not first.
        {"\xB1\xB2\xB3\xB4\xB5\n", detect, cp932},
    };
    for (const Row& row : rows) EXPECT_EQ(resolve_encoding(row.bytes, row.requested), row.chosen) << row.bytes;
}

}  // namespace
}  // namespace vesk
