// The small formatter behind every error message. Bytes, not characters, except
// that a Shift-JIS double-byte character (lead byte 0x81-0x9F or 0xE0-0xFC and the
// byte after it) is one character: its second byte is never taken for "%" or "\".
// Under --utf8 a UTF-8 character is one instead, and a "%s" that has to be cut is
// cut before the character that would cross the cut, never inside it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string_view>

#include "support/text_encoding.h"

namespace vesk {

// One value referred to by a conversion: a number or a NUL-terminated text.
class MessageArg {
public:
    MessageArg(int value) : integer_(value) {}
    MessageArg(long value) : integer_(value) {}
    MessageArg(long long value) : integer_(value) {}
    MessageArg(double value) : kind_(Kind::real), real_(value) {}
    MessageArg(const char* text) : kind_(Kind::text), text_(text) {}

    // A value that does not suit its conversion reads as 0 or as an empty text.
    std::int64_t integer() const { return kind_ == Kind::integer ? integer_ : 0; }
    double real() const { return kind_ == Kind::real ? real_ : 0.0; }
    const char* text() const { return kind_ == Kind::text && text_ != nullptr ? text_ : ""; }

private:
    enum class Kind { integer, real, text };
    Kind kind_ = Kind::integer;
    std::int64_t integer_ = 0;
    double real_ = 0.0;
    const char* text_ = nullptr;
};

using MessageArgs = std::initializer_list<MessageArg>;

// Formatting stops taking elements once this much text is in the buffer; the
// element in progress may run on into the rest of the buffer.
constexpr std::size_t MESSAGE_LIMIT = 1024;
// A "%s" that does not fit whole is cut so that the text ends here, leaving the
// rest of the format 256 bytes before the limit.
constexpr std::size_t MESSAGE_CUT_POINT = 768;
constexpr std::size_t MESSAGE_BUFFER_SIZE = 1280;

struct MessageBuffer {
    char bytes[MESSAGE_BUFFER_SIZE];
};

// Position of the first character of text that starts with byte, or nullptr;
// the characters are those of the encoding.
const char* find_char(const char* text, unsigned char byte, Encoding encoding);
inline const char* find_sjis_char(const char* text, unsigned char byte) {
    return find_char(text, byte, Encoding::shift_jis);
}

// Formats into buffer and returns the text (valid until the buffer is reused).
// Conversions: %c %d %x %f %s; "%" with any other character is copied as it is.
std::string_view format_message(MessageBuffer& buffer, const char* format, MessageArgs args,
                                Encoding encoding = Encoding::shift_jis);

}  // namespace vesk
