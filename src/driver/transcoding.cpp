#include "driver/transcoding.h"

#include <iconv.h>

#include <array>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <memory>

#include "support/text_encoding.h"

namespace vesk {
namespace {

constexpr std::string_view UTF8_MARK = "\xEF\xBB\xBF";
constexpr std::string_view UTF16LE_MARK = "\xFF\xFE";
constexpr std::string_view UTF16BE_MARK = "\xFE\xFF";

// Writes code in UTF-8 at into and returns where the next byte goes: a whole
// word, whose bytes past the character are 0 (the room has the slack for it).
char* put_utf8(char* into, char32_t code) {
    std::uint32_t word;
    std::size_t count;
    if (code < 0x80) {
        word = code, count = 1;
    } else if (code < 0x800) {
        word = (0xC0 | code >> 6) | (0x80 | (code & 0x3F)) << 8, count = 2;
    } else if (code < 0x10000) {
        word = (0xE0 | code >> 12) | (0x80 | (code >> 6 & 0x3F)) << 8 | (0x80 | (code & 0x3F)) << 16, count = 3;
    } else {
        word = (0xF0 | code >> 18) | (0x80 | (code >> 12 & 0x3F)) << 8 | (0x80 | (code >> 6 & 0x3F)) << 16 |
               (0x80 | (code & 0x3F)) << 24;
        count = 4;
    }
    const unsigned char bytes[4] = {static_cast<unsigned char>(word), static_cast<unsigned char>(word >> 8),
                                    static_cast<unsigned char>(word >> 16), static_cast<unsigned char>(word >> 24)};
    std::memcpy(into, bytes, 4);
    return into + count;
}

// Writes the decoded text into room made in advance (decoded_size_bound).
class Utf8Writer {
public:
    Utf8Writer(char* out, DecodedText& decoded) : out_(out), decoded_(decoded) {}
    ~Utf8Writer() { decoded_.size = used_; }

    void put(unsigned char byte) { out_[used_++] = static_cast<char>(byte); }
    void put_bytes(const unsigned char* bytes, std::size_t count) {
        std::memcpy(out_ + used_, bytes, count);
        used_ += count;
    }
    // Where the next byte goes, for a loop that writes through a pointer of its own.
    char* cursor() const { return out_ + used_; }
    void move_to(char* at) { used_ = static_cast<std::size_t>(at - out_); }

    void put_raw(unsigned char byte);

private:
    // Whether byte, written now, would end a well-formed sequence begun by the
    // bytes before it (which then can only be raw bytes: a decoded character is
    // complete).
    bool completes_sequence(unsigned char byte) const;

    char* out_;
    DecodedText& decoded_;
    std::size_t used_ = 0;
};

bool Utf8Writer::completes_sequence(unsigned char byte) const {
    if ((byte & 0xC0) != 0x80) return false;
    char candidate[4];
    // A sequence is at most four bytes: its start lies at most three back.
    for (std::size_t back = 1; back <= 3 && back <= used_; ++back) {
        std::memcpy(candidate, out_ + used_ - back, back);
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

// A CP932 or EUC-JP file read as iconv reads it, one character at a time:
// what a code is (how many bytes, which UTF-8 bytes) is asked of iconv the first
// time it is met, and kept. Both encodings are stateless, so a code means the
// same wherever it stands.
class LegacyDecoder {
public:
    explicit LegacyDecoder(const char* charset);
    ~LegacyDecoder() {
        if (usable()) iconv_close(converter_);
    }
    LegacyDecoder(const LegacyDecoder&) = delete;
    LegacyDecoder& operator=(const LegacyDecoder&) = delete;

    bool usable() const { return converter_ != reinterpret_cast<iconv_t>(-1); }
    void decode(std::string_view bytes, Utf8Writer& out);

private:
    // What the bytes at a position make, packed in one word: the UTF-8 bytes of
    // the character (every character of both is in the Basic Multilingual Plane,
    // so at most three) in the low 24 bits, their count, and the number of bytes
    // it takes (0: none, either because no character starts here or because
    // more bytes are needed to tell).
    using Code = std::uint32_t;
    static constexpr Code KNOWN = 1u << 31;    // asked already
    static constexpr Code REFUSED = 1u << 30;  // no character starts here
    static constexpr Code utf8_size(Code code) { return code >> 24 & 0x7; }
    static constexpr Code length(Code code) { return code >> 27 & 0x7; }

    // Asks iconv about the character that starts bytes (which holds at most three).
    Code ask(std::string_view bytes);

    iconv_t converter_;
    std::array<Code, 256> singles_{};  // by the first byte
    std::unique_ptr<Code[]> pairs_ = std::make_unique<Code[]>(std::size_t{1} << 16);  // by the first two
};

LegacyDecoder::LegacyDecoder(const char* charset) : converter_(iconv_open("UTF-8", charset)) {
    if (!usable()) return;
    for (unsigned first = 0; first <= 0xFF; ++first) {
        const char byte = static_cast<char>(first);
        singles_[first] = ask(std::string_view(&byte, 1));
    }
}

LegacyDecoder::Code LegacyDecoder::ask(std::string_view bytes) {
    // A character is found by giving iconv one byte more each time until it
    // takes them all (or refuses them).
    for (std::size_t taken = 1; taken <= bytes.size(); ++taken) {
        iconv(converter_, nullptr, nullptr, nullptr, nullptr);
        char* in = const_cast<char*>(bytes.data());  // iconv does not write to its input
        std::size_t in_left = taken;
        char utf8[8];
        char* written = utf8;
        std::size_t room = sizeof utf8;
        std::size_t result = iconv(converter_, &in, &in_left, &written, &room);
        const auto size = static_cast<std::size_t>(written - utf8);
        if (result != static_cast<std::size_t>(-1) && in_left == 0 && size <= 3) {
            Code code = KNOWN | static_cast<Code>(taken) << 27 | static_cast<Code>(size) << 24;
            for (std::size_t at = 0; at < size; ++at) code |= Code{static_cast<unsigned char>(utf8[at])} << (8 * at);
            return code;
        }
        if (result != static_cast<std::size_t>(-1) || errno != EINVAL) return KNOWN | REFUSED;
    }
    return KNOWN;
}

void LegacyDecoder::decode(std::string_view bytes, Utf8Writer& out) {
    const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
    const std::size_t size = bytes.size();
    std::size_t at = 0;
    char* into = out.cursor();
    // The whole word goes: the room has the slack for it, and the bytes past
    // the character are overwritten next (or stay 0 at the end).
    auto put = [&into](Code code) {
        const unsigned char utf8[4] = {static_cast<unsigned char>(code), static_cast<unsigned char>(code >> 8),
                                       static_cast<unsigned char>(code >> 16), 0};
        std::memcpy(into, utf8, 4);
        into += utf8_size(code);
    };
    while (at < size) {
        // Which kind of character starts here is known from its first byte
        // alone; a branch on it, not a load, tells where the next one starts.
        const Code single = singles_[data[at]];
        if (length(single) == 1) {
            put(single);
            ++at;
            continue;
        }
        Code code = single;
        if ((single & REFUSED) == 0 && at + 1 < size) {
            Code& pair = pairs_[std::size_t{data[at]} << 8 | data[at + 1]];
            if (pair == 0) pair = ask(bytes.substr(at, 2));
            code = pair;
            if (length(code) == 2) {
                put(code);
                at += 2;
                continue;
            }
            // Three bytes (EUC-JP's JIS X 0212), which pairs cannot tell: asked each time.
            if (length(code) == 0 && (code & REFUSED) == 0 && at + 2 < size) code = ask(bytes.substr(at, 3));
        }
        if (length(code) == 0) {
            out.move_to(into);
            out.put_raw(data[at]);
            into = out.cursor();
            ++at;
            continue;
        }
        put(code);
        at += length(code);
    }
    out.move_to(into);
}

void decode_utf8_text(std::string_view bytes, Utf8Writer& out, DecodedText& decoded) {
    out.put_bytes(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
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

void decode_utf16_text(std::string_view bytes, bool big_endian, Utf8Writer& out, DecodedText& decoded) {
    const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
    auto unit_at = [data, big_endian](std::size_t at) -> char32_t {
        return big_endian ? char32_t{data[at]} << 8 | data[at + 1] : char32_t{data[at + 1]} << 8 | data[at];
    };
    char* into = out.cursor();
    std::size_t at = 0;
    for (; at + 1 < bytes.size(); at += 2) {
        char32_t unit = unit_at(at);
        if (is_high_surrogate(unit) && at + 3 < bytes.size() && is_low_surrogate(unit_at(at + 2))) {
            into = put_utf8(into, 0x10000 + ((unit - 0xD800) << 10) + (unit_at(at + 2) - 0xDC00));
            at += 2;
        } else {
            // A surrogate alone comes out in its three-byte form, which UTF-8
            // forbids: three stray bytes.
            if (is_high_surrogate(unit) || is_low_surrogate(unit)) ++decoded.raw_bytes;
            into = put_utf8(into, unit);
        }
    }
    out.move_to(into);
    if (at < bytes.size()) out.put_raw(data[at]);
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

std::optional<DecodedText> decode_text(std::string_view bytes, InputEncoding encoding, char* out) {
    DecodedText decoded;
    {
        Utf8Writer writer(out, decoded);
        if (encoding == InputEncoding::cp932 || encoding == InputEncoding::euc_jp) {
            LegacyDecoder decoder(encoding == InputEncoding::cp932 ? "CP932" : "EUC-JP-MS");
            if (!decoder.usable()) return std::nullopt;
            decoder.decode(bytes, writer);
        } else if (encoding == InputEncoding::utf16le || encoding == InputEncoding::utf16be) {
            decode_utf16_text(bytes, encoding == InputEncoding::utf16be, writer, decoded);
        } else {
            decode_utf8_text(bytes, writer, decoded);
        }
    }
    return decoded;
}

}  // namespace vesk
