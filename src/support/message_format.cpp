#include "support/message_format.h"

#include <cstdio>
#include <cstring>

namespace vesk {
namespace {

// Appends into the buffer, never past its last byte (kept for the NUL).
class MessageWriter {
public:
    explicit MessageWriter(MessageBuffer& buffer) : buffer_(buffer) {}

    std::size_t used() const { return used_; }

    void append(const char* bytes, std::size_t length) {
        std::size_t room = MESSAGE_BUFFER_SIZE - 1 - used_;
        if (length > room) length = room;
        std::memcpy(buffer_.bytes + used_, bytes, length);
        used_ += length;
    }
    void append(char byte) { append(&byte, 1); }

    std::string_view finish() {
        buffer_.bytes[used_] = '\0';
        return {buffer_.bytes, used_};
    }

private:
    MessageBuffer& buffer_;
    std::size_t used_ = 0;
};

void append_number(MessageWriter& out, const char* format, auto value) {
    char digits[400];  // the longest "%f" of a double has 317 characters
    int length = std::snprintf(digits, sizeof digits, format, value);
    if (length > 0) out.append(digits, static_cast<std::size_t>(length));
}

// The longest start of text, at most `most` bytes, that ends between two
// characters. Shift-JIS text is cut at the byte.
std::size_t whole_characters(const char* text, std::size_t most, Encoding encoding) {
    if (encoding == Encoding::shift_jis) return most;
    std::size_t length = 0;
    for (std::size_t next; (next = length + char_length(text + length, encoding)) <= most;) length = next;
    return length;
}

void append_text(MessageWriter& out, const char* text, Encoding encoding) {
    std::size_t length = std::strlen(text);
    if (out.used() + length <= MESSAGE_LIMIT) {
        out.append(text, length);
    } else if (out.used() < MESSAGE_CUT_POINT) {
        out.append(text, whole_characters(text, MESSAGE_CUT_POINT - out.used(), encoding));
    } else {
        // Already past the cut point: take what still fits before the limit.
        out.append(text, whole_characters(text, MESSAGE_LIMIT - out.used(), encoding));
    }
}

void append_conversion(MessageWriter& out, char conversion, const MessageArg* arg, Encoding encoding) {
    static const MessageArg missing{0};
    const MessageArg& value = arg != nullptr ? *arg : missing;
    switch (conversion) {
        case 'c': out.append(static_cast<char>(value.integer() & 0xFF)); break;
        case 'd': append_number(out, "%lld", static_cast<long long>(value.integer())); break;
        case 'x': {
            // A negative value shows its 32-bit pattern, as a 32-bit argument would.
            std::int64_t number = value.integer();
            unsigned long long bits = number < 0 && number >= INT32_MIN ? static_cast<std::uint32_t>(number)
                                                                         : static_cast<unsigned long long>(number);
            append_number(out, "%llx", bits);
            break;
        }
        case 'f': append_number(out, "%f", value.real()); break;
        case 's': append_text(out, value.text(), encoding); break;
    }
}

bool takes_argument(char conversion) { return conversion != '\0' && std::strchr("cdxfs", conversion) != nullptr; }

}  // namespace

const char* find_char(const char* text, unsigned char byte, Encoding encoding) {
    for (const char* at = text; *at != '\0'; at += char_length(at, encoding))
        if (static_cast<unsigned char>(*at) == byte) return at;
    return nullptr;
}

std::string_view format_message(MessageBuffer& buffer, const char* format, MessageArgs args, Encoding encoding) {
    MessageWriter out(buffer);
    const MessageArg* next_arg = args.begin();
    const char* at = format;
    while (out.used() < MESSAGE_LIMIT && *at != '\0') {
        std::size_t length = char_length(at, encoding);
        if (length == 1 && *at == '\\' && at[1] != '\0') {
            // The backslash is dropped; the character after it is copied as it is.
            std::size_t escaped = char_length(at + 1, encoding);
            out.append(at + 1, escaped);
            at += 1 + escaped;
        } else if (length > 1 || *at != '%' || at[1] == '\0') {
            // A "%" that ends the format has nothing to convert: it is copied.
            out.append(at, length);
            at += length;
        } else if (takes_argument(at[1])) {
            const MessageArg* arg = next_arg != args.end() ? next_arg++ : nullptr;
            append_conversion(out, at[1], arg, encoding);
            at += 2;
        } else {
            // "%" and a character that is no conversion are copied, no value taken.
            std::size_t other = char_length(at + 1, encoding);
            out.append(at, 1 + other);
            at += 1 + other;
        }
    }
    return out.finish();
}

}  // namespace vesk
