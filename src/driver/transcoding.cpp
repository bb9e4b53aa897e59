#include "driver/transcoding.h"

#include <iconv.h>

#include <cerrno>
#include <cstring>

#include "support/text_encoding.h"

namespace vesk {
namespace {

constexpr std::string_view UTF8_MARK = "\xEF\xBB\xBF";
constexpr std::string_view UTF16LE_MARK = "\xFF\xFE";
constexpr std::string_view UTF16BE_MARK = "\xFE\xFF";

// The decoded text as it is written: room is made in advance, so that the
// writes need no check of their own.
class Utf8Writer {
public:
    explicit Utf8Writer(DecodedText& decoded) : decoded_(decoded) {}
    ~Utf8Writer() { decoded_.text.resize(used_); }

    // Room for at least count more bytes.
    void reserve(std::size_t count) {
        if (decoded_.text.size() - used_ < count) decoded_.text.resize(used_ + count + decoded_.text.size() / 2);
    }
    char* end() { return decoded_.text.data() + used_; }
    std::size_t room() const { return decoded_.text.size() - used_; }
    void advance_to(char* at) { used_ = static_cast<std::size_t>(at - decoded_.text.data()); }

    void put(unsigned char byte) { decoded_.text[used_++] = static_cast<char>(byte); }
    void put_code(char32_t code);
    void put_raw(unsigned char byte);

private:
    // Whether byte, written now, would end a well-formed sequence begun by the
    // bytes before it (which then can only be raw bytes: a decoded character is
    // complete).
    bool completes_sequence(unsigned char byte) const;

    DecodedText& decoded_;
    std::size_t used_ = 0;
};

void Utf8Writer::put_code(char32_t code) {
    if (code < 0x80) {
        put(static_cast<unsigned char>(code));
    } else if (code < 0x800) {
        put(static_cast<unsigned char>(0xC0 | code >> 6));
        put(static_cast<unsigned char>(0x80 | (code & 0x3F)));
    } else if (code < 0x10000) {
        put(static_cast<unsigned char>(0xE0 | code >> 12));
        put(static_cast<unsigned char>(0x80 | (code >> 6 & 0x3F)));
        put(static_cast<unsigned char>(0x80 | (code & 0x3F)));
    } else {
        put(static_cast<unsigned char>(0xF0 | code >> 18));
        put(static_cast<unsigned char>(0x80 | (code >> 12 & 0x3F)));
        put(static_cast<unsigned char>(0x80 | (code >> 6 & 0x3F)));
        put(static_cast<unsigned char>(0x80 | (code & 0x3F)));
    }
}

bool Utf8Writer::completes_sequence(unsigned char byte) const {
    if ((byte & 0xC0) != 0x80) return false;
    char candidate[4];
    // A sequence is at most four bytes: its start lies at most three back.
    for (std::size_t back = 1; back <= 3 && back <= used_; ++back) {
        std::memcpy(candidate, decoded_.text.data() + used_ - back, back);
        candidate[back] = static_cast<char>(byte);
        if (decode_utf8(std::string_view(candidate, back + 1)).length == back + 1) return true;
    }
    return false;
}

void Utf8Writer::put_raw(unsigned char byte) {
    ++decoded_.raw_bytes;
    if (byte < 0x80) {
        // An ASCII byte as it is would be the character itself.
        put(static_cast<unsigned char>(0xC0 | byte >> 6));
        put(static_cast<unsigned char>(0x80 | (byte & 0x3F)));
        return;
    }
    if (completes_sequence(byte)) {
        // The overlong form of U+0080..U+00BF: E0 82 and the byte itself.
        put(0xE0);
        put(0x82);
    }
    put(byte);
}

// At most three bytes come out for every byte that goes in: a character of one
// or two bytes is at most three in UTF-8, and so is a raw byte.
constexpr std::size_t MAX_GROWTH = 3;

bool decode_with_iconv(std::string_view bytes, const char* charset, DecodedText& decoded) {
    iconv_t converter = iconv_open("UTF-8", charset);
    if (converter == reinterpret_cast<iconv_t>(-1)) return false;
    Utf8Writer out(decoded);
    out.reserve(bytes.size() * MAX_GROWTH + 4);
    // iconv takes its input as char** without writing to it.
    char* in = const_cast<char*>(bytes.data());
    std::size_t in_left = bytes.size();
    while (in_left > 0) {
        char* written = out.end();
        std::size_t room = out.room();
        std::size_t result = iconv(converter, &in, &in_left, &written, &room);
        out.advance_to(written);
        if (result != static_cast<std::size_t>(-1)) break;
        if (errno == E2BIG) {
            out.reserve(in_left * MAX_GROWTH + 4);
            continue;
        }
        // EILSEQ, or EINVAL for a character cut short by the end: this byte starts none.
        out.reserve(MAX_GROWTH);
        out.put_raw(static_cast<unsigned char>(*in));
        ++in;
        --in_left;
        iconv(converter, nullptr, nullptr, nullptr, nullptr);
    }
    iconv_close(converter);
    return true;
}

void decode_utf8_text(std::string_view bytes, DecodedText& decoded) {
    decoded.text.assign(bytes.begin(), bytes.end());
    for (std::size_t at = 0; at < bytes.size();) {
        if (static_cast<unsigned char>(bytes[at]) < 0x80) {
            ++at;
            continue;
        }
        Utf8Char next = decode_utf8(bytes.substr(at));
        if (next.code >= STRAY_BYTE_BASE && next.code <= STRAY_BYTE_BASE + 0xFF) ++decoded.raw_bytes;
        at += next.length;
    }
}

constexpr bool is_high_surrogate(char32_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
constexpr bool is_low_surrogate(char32_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

void decode_utf16_text(std::string_view bytes, bool big_endian, DecodedText& decoded) {
    Utf8Writer out(decoded);
    // Two bytes make at most three in UTF-8; a pair of units (four) makes four.
    out.reserve(bytes.size() / 2 * 3 + 4);
    auto unit_at = [&](std::size_t at) -> char32_t {
        auto first = static_cast<unsigned char>(bytes[at]), second = static_cast<unsigned char>(bytes[at + 1]);
        return big_endian ? char32_t{first} << 8 | second : char32_t{second} << 8 | first;
    };
    std::size_t at = 0;
    for (; at + 1 < bytes.size(); at += 2) {
        char32_t unit = unit_at(at);
        if (is_high_surrogate(unit) && at + 3 < bytes.size() && is_low_surrogate(unit_at(at + 2))) {
            out.put_code(0x10000 + ((unit - 0xD800) << 10) + (unit_at(at + 2) - 0xDC00));
            at += 2;
        } else if (is_high_surrogate(unit) || is_low_surrogate(unit)) {
            // Its three-byte form, which UTF-8 forbids: three stray bytes.
            ++decoded.raw_bytes;
            out.put_code(unit);
        } else {
            out.put_code(unit);
        }
    }
    if (at < bytes.size()) {
        out.reserve(3);
        out.put_raw(static_cast<unsigned char>(bytes[at]));
    }
}

}  // namespace

std::size_t byte_order_mark_length(std::string_view bytes, InputEncoding encoding) {
    switch (encoding) {
        case InputEncoding::utf8: return bytes.starts_with(UTF8_MARK) ? UTF8_MARK.size() : 0;
        case InputEncoding::utf16le: return bytes.starts_with(UTF16LE_MARK) ? UTF16LE_MARK.size() : 0;
        case InputEncoding::utf16be: return bytes.starts_with(UTF16BE_MARK) ? UTF16BE_MARK.size() : 0;
        default: return 0;
    }
}

bool decode_text(std::string_view bytes, InputEncoding encoding, DecodedText& decoded) {
    decoded.raw_bytes = 0;
    decoded.text.clear();
    switch (encoding) {
        case InputEncoding::cp932: return decode_with_iconv(bytes, "CP932", decoded);
        case InputEncoding::euc_jp: return decode_with_iconv(bytes, "EUC-JP-MS", decoded);
        case InputEncoding::utf16le: decode_utf16_text(bytes, false, decoded); return true;
        case InputEncoding::utf16be: decode_utf16_text(bytes, true, decoded); return true;
        default: decode_utf8_text(bytes, decoded); return true;
    }
}

}  // namespace vesk
