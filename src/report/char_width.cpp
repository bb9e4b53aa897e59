#include "report/char_width.h"

#include "support/char_class.h"
#include "support/byte_rules.h"

namespace vesk {
namespace {

// The second byte of a Shift-JIS double-byte character. Control bytes, the blank
// and ASCII punctuation below 0x40 never are, so a tab or an escape after a lead
// byte keeps its own meaning.
constexpr bool is_sjis_trail_byte(unsigned char byte) { return byte >= 0x40 && byte <= 0xFC && byte != 0x7F; }

}  // namespace

PrintedChar printed_char(std::string_view text, Encoding encoding) {
    if (encoding == Encoding::utf8) {
        const Utf8Char character = decode_utf8(text);
        return {character.length, utf8_width(character.code)};
    }
    const bool double_byte = text.size() > 1 && is_sjis_lead_byte(static_cast<unsigned char>(text[0])) &&
                             is_sjis_trail_byte(static_cast<unsigned char>(text[1]));
    return double_byte ? PrintedChar{2, 2} : PrintedChar{1, 1};
}

}  // namespace vesk
