#include "driver/transcoding.h"

#include <iconv.h>

#include <array>
#include <bit>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <memory>

#include "support/text_encoding.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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
    std::size_t raw_bytes() const { return decoded_.raw_bytes; }

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
    void decode(std::string_view bytes, Utf8Writer& out, std::size_t raw_limit);

private:
    // What the bytes at a position make, packed in one word: the UTF-8 bytes of
    // the character (every character of both is in the Basic Multilingual Plane,
    // so at most three) in the low 24 bits, their count in the top two, and the
    // number of bytes it takes (0: none, either because no character starts
    // here or because more bytes are needed to tell). 0 is a code not asked yet.
    using Code = std::uint32_t;
    static constexpr Code REFUSED = 1u << 24;  // no character starts here
    static constexpr Code KNOWN = 1u << 25;    // asked already
    static constexpr Code LENGTH = 3u << 27;
    static constexpr Code utf8_size(Code code) { return code >> 30; }
    static constexpr Code length(Code code) { return (code & LENGTH) >> 27; }
    static constexpr Code packed(std::size_t length, std::size_t size) {
        return KNOWN | static_cast<Code>(length) << 27 | static_cast<Code>(size) << 30;
    }
    static constexpr bool needs_more(Code code) { return length(code) == 0 && (code & REFUSED) == 0; }
    // The whole word goes: the room has the slack for it, and the bytes past
    // the character are overwritten next (or cleared at the end).
    static void put(char*& into, Code code) {
        if constexpr (std::endian::native == std::endian::little) {
            std::memcpy(into, &code, 4);
        } else {
            const unsigned char utf8[4] = {static_cast<unsigned char>(code), static_cast<unsigned char>(code >> 8),
                                           static_cast<unsigned char>(code >> 16), 0};
            std::memcpy(into, utf8, 4);
        }
        into += utf8_size(code);
    }

    // Asks iconv about the character that starts bytes (which holds at most
    // three), given `taken` bytes first: fewer are known to say too little.
    Code ask(std::string_view bytes, std::size_t taken = 1);
    // What starts at `at` when `at + 1` follows: the pair's character after a
    // lead byte, else what the first byte alone makes; 0 before it is asked
    // (the table is by the second byte, then the first).
    Code& pair_at(const unsigned char* at) { return pairs_[std::size_t{at[0]} | std::size_t{at[1]} << 8]; }
    Code asked_pair_at(const unsigned char* at);
    // Decodes the character (or raw byte) at `at`; returns where the next starts.
    std::size_t decode_one(std::string_view bytes, std::size_t at, char*& into, Utf8Writer& out);
    // Decodes whole blocks of bytes while every character in them is one that
    // a byte alone or a lead byte and the next make; returns where it stopped.
    std::size_t decode_blocks(std::string_view bytes, std::size_t at, char*& into);
    // The lead bytes among the BLOCK bytes at block, one bit each; `high` gets
    // those of 0x80 and more.
    std::uint64_t lead_bits(const unsigned char* block, std::uint64_t& high) const;

    static constexpr std::size_t BLOCK = 64;
    struct ByteRange {
        unsigned char low, high;
    };

    iconv_t converter_;
    std::array<Code, 256> singles_{};  // by the first byte
    std::unique_ptr<Code[]> pairs_ = std::make_unique<Code[]>(std::size_t{1} << 16);  // by the first two
    // The bytes that need the next one to tell, as ranges where they make one
    // or two (then compared many at a time), and as a table by byte.
    std::array<ByteRange, 2> lead_ranges_{};
    std::size_t lead_range_count_ = 0;
    bool leads_in_ranges_ = false;
    std::array<bool, 256> leads_{};
    bool ascii_as_is_ = true;  // every byte below 0x80 is that character
};

LegacyDecoder::LegacyDecoder(const char* charset) : converter_(iconv_open("UTF-8", charset)) {
    if (!usable()) return;
    for (unsigned first = 0; first <= 0xFF; ++first) {
        const char byte = static_cast<char>(first);
        singles_[first] = ask(std::string_view(&byte, 1));
        leads_[first] = needs_more(singles_[first]);
        if (first < 0x80 && singles_[first] != (packed(1, 1) | first)) ascii_as_is_ = false;
    }
    for (unsigned first = 0; first <= 0xFF; ++first) {
        if (!leads_[first] || (first > 0 && leads_[first - 1])) continue;
        unsigned last = first;
        while (last < 0xFF && leads_[last + 1]) ++last;
        if (lead_range_count_ < lead_ranges_.size())
            lead_ranges_[lead_range_count_] = {static_cast<unsigned char>(first), static_cast<unsigned char>(last)};
        ++lead_range_count_;
    }
    leads_in_ranges_ = lead_range_count_ >= 1 && lead_range_count_ <= lead_ranges_.size();
}

LegacyDecoder::Code LegacyDecoder::asked_pair_at(const unsigned char* at) {
    Code& pair = pair_at(at);
    if (pair == 0) {
        const Code single = singles_[at[0]];
        pair = needs_more(single) ? ask(std::string_view(reinterpret_cast<const char*>(at), 2), 2) : single;
    }
    return pair;
}

LegacyDecoder::Code LegacyDecoder::ask(std::string_view bytes, std::size_t taken) {
    // A character is found by giving iconv one byte more each time until it
    // takes them all (or refuses them).
    for (; taken <= bytes.size(); ++taken) {
        iconv(converter_, nullptr, nullptr, nullptr, nullptr);
        char* in = const_cast<char*>(bytes.data());  // iconv does not write to its input
        std::size_t in_left = taken;
        char utf8[8];
        char* written = utf8;
        std::size_t room = sizeof utf8;
        std::size_t result = iconv(converter_, &in, &in_left, &written, &room);
        const auto size = static_cast<std::size_t>(written - utf8);
        if (result != static_cast<std::size_t>(-1) && in_left == 0 && size <= 3) {
            Code code = packed(taken, size);
            for (std::size_t at = 0; at < size; ++at) code |= Code{static_cast<unsigned char>(utf8[at])} << (8 * at);
            return code;
        }
        if (result != static_cast<std::size_t>(-1) || errno != EINVAL) return KNOWN | REFUSED;
    }
    return KNOWN;
}

std::size_t LegacyDecoder::decode_one(std::string_view bytes, std::size_t at, char*& into, Utf8Writer& out) {
    const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
    const Code single = singles_[data[at]];
    // Asked here, the pair is known to the blocks from now on.
    const Code pair = at + 1 < bytes.size() ? asked_pair_at(data + at) : 0;
    if (length(single) == 1) {
        put(into, single);
        return at + 1;
    }
    Code code = single;
    if ((single & REFUSED) == 0 && at + 1 < bytes.size()) {
        code = pair;
        // Three bytes (EUC-JP's JIS X 0212), which pairs cannot tell: asked each time.
        if (needs_more(code) && at + 2 < bytes.size()) code = ask(bytes.substr(at, 3), 3);
    }
    if (length(code) == 0) {
        out.move_to(into);
        out.put_raw(data[at]);
        into = out.cursor();
        return at + 1;
    }
    put(into, code);
    return at + length(code);
}

std::uint64_t LegacyDecoder::lead_bits(const unsigned char* block, std::uint64_t& high) const {
    std::uint64_t leads = 0;
    high = 0;
    for (std::size_t at = 0; at < BLOCK; ++at) {
        leads |= std::uint64_t{leads_[block[at]]} << at;
        high |= std::uint64_t{block[at]} >> 7 << at;
    }
    return leads;
}

#if defined(__SSE2__)
// The lead bytes of a block as lead_bits finds them, where they make two ranges
// (or one, given twice): 16 bytes compared at a time.
class LeadRanges {
public:
    LeadRanges(unsigned char low0, unsigned char high0, unsigned char low1, unsigned char high1)
        : low0_(_mm_set1_epi8(static_cast<char>(low0))),
          span0_(_mm_set1_epi8(static_cast<char>(high0 - low0))),
          low1_(_mm_set1_epi8(static_cast<char>(low1))),
          span1_(_mm_set1_epi8(static_cast<char>(high1 - low1))) {}

    std::uint64_t lead_bits(const unsigned char* block, std::uint64_t& high) const {
        std::uint64_t leads = 0;
        high = 0;
        for (unsigned part = 0; part < 64; part += 16) {
            const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(block + part));
            const __m128i in_range = _mm_or_si128(in(bytes, low0_, span0_), in(bytes, low1_, span1_));
            leads |= std::uint64_t{static_cast<std::uint16_t>(_mm_movemask_epi8(in_range))} << part;
            high |= std::uint64_t{static_cast<std::uint16_t>(_mm_movemask_epi8(bytes))} << part;
        }
        return leads;
    }

private:
    // low <= byte <= high  <=>  byte - low, unsigned, is at most high - low.
    static __m128i in(__m128i bytes, __m128i low, __m128i span) {
        const __m128i above = _mm_sub_epi8(bytes, low);
        return _mm_cmpeq_epi8(_mm_min_epu8(above, span), above);
    }

    __m128i low0_, span0_, low1_, span1_;
};
#endif

std::size_t LegacyDecoder::decode_blocks(std::string_view bytes, std::size_t at, char*& into) {
    constexpr std::uint64_t ODD_BITS = 0xAAAAAAAAAAAAAAAA;
    const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
#if defined(__SSE2__)
    const ByteRange& second = lead_ranges_[leads_in_ranges_ ? lead_range_count_ - 1 : 0];
    const LeadRanges ranges(lead_ranges_[0].low, lead_ranges_[0].high, second.low, second.high);
#endif
    // A pair begun at a block's last byte reads the byte after it.
    while (bytes.size() - at > BLOCK) {
        const unsigned char* block = data + at;
        std::uint64_t high;
#if defined(__SSE2__)
        const std::uint64_t leads = leads_in_ranges_ ? ranges.lead_bits(block, high) : lead_bits(block, high);
#else
        const std::uint64_t leads = lead_bits(block, high);
#endif
        if (high == 0 && ascii_as_is_) {
            std::memcpy(into, block, BLOCK);
            into += BLOCK;
            at += BLOCK;
            continue;
        }
        // The block starts a character; so does every byte after one that is
        // no lead byte (a character alone, or the second of a pair), and in a
        // run of lead bytes each takes the byte after it: the second bytes are
        // those after a run of odd length, counted from its start. Found for
        // all 64 at once, then confirmed character by character: a lead byte
        // whose pair iconv refuses stops the block.
        const std::uint64_t seconds = ((((leads << 1) | ODD_BITS) - leads) ^ ODD_BITS) ^ leads;
        // What a lead byte starts is a pair or nothing, and what another byte
        // starts is itself or nothing: no other length can come.
        for (std::uint64_t starts = ~seconds; starts != 0; starts &= starts - 1) {
            const auto offset = static_cast<unsigned>(std::countr_zero(starts));
            // Not asked yet, or no character: the byte-at-a-time path tells.
            const Code code = pair_at(block + offset);
            if ((code & LENGTH) == 0) return at + offset;
            put(into, code);
        }
        // A lead byte last in the block took the first byte of the next.
        at += BLOCK + ((leads & ~seconds) >> (BLOCK - 1));
    }
    return at;
}

void LegacyDecoder::decode(std::string_view bytes, Utf8Writer& out, std::size_t raw_limit) {
    char* into = out.cursor();
    std::size_t at = 0;
    while (at < bytes.size() && out.raw_bytes() <= raw_limit) {
        at = decode_blocks(bytes, at, into);
        if (at < bytes.size()) at = decode_one(bytes, at, into, out);
    }
    std::memset(into, 0, 4);
    out.move_to(into);
}

void decode_utf8_text(std::string_view bytes, Utf8Writer& out, DecodedText& decoded, std::size_t raw_limit) {
    out.put_bytes(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
    for (std::size_t at = 0; at < bytes.size() && decoded.raw_bytes <= raw_limit;) {
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

// A character of the Basic Multilingual Plane written as put_utf8 writes it,
// without a branch on its length: text mixes the lengths at every turn.
[[gnu::always_inline]] inline char* put_bmp_utf8(char* into, std::uint32_t code) {
    const std::uint32_t two = (0xC0 | code >> 6) | (0x80 | (code & 0x3F)) << 8;
    const std::uint32_t three = (0xE0 | code >> 12) | (0x80 | (code >> 6 & 0x3F)) << 8 | (0x80 | (code & 0x3F)) << 16;
    // Chosen by masks: a compiler turns a choice of values into branches.
    const std::uint32_t below_800 = 0u - static_cast<std::uint32_t>(code < 0x800);
    const std::uint32_t below_80 = 0u - static_cast<std::uint32_t>(code < 0x80);
    const std::uint32_t word = (code & below_80) | (((two & below_800) | (three & ~below_800)) & ~below_80);
    const unsigned char bytes[4] = {static_cast<unsigned char>(word), static_cast<unsigned char>(word >> 8),
                                    static_cast<unsigned char>(word >> 16), 0};
    std::memcpy(into, bytes, 4);
    return into + 1 + (code >= 0x80) + (code >= 0x800);
}

template <bool BIG_END_FIRST>
char32_t utf16_unit(const unsigned char* at) {
    return BIG_END_FIRST ? char32_t{at[0]} << 8 | at[1] : char32_t{at[1]} << 8 | at[0];
}

#if defined(__SSE2__)
// Four units (in 32-bit lanes) as put_bmp_utf8 writes them: their words and lengths.
inline void bmp_utf8_words(__m128i units, __m128i& words, __m128i& lengths) {
    const __m128i low6 = _mm_set1_epi32(0x3F), follow = _mm_set1_epi32(0x80);
    const __m128i last = _mm_or_si128(follow, _mm_and_si128(units, low6));
    const __m128i middle = _mm_or_si128(follow, _mm_and_si128(_mm_srli_epi32(units, 6), low6));
    const __m128i two = _mm_or_si128(_mm_or_si128(_mm_set1_epi32(0xC0), _mm_srli_epi32(units, 6)), _mm_slli_epi32(last, 8));
    const __m128i three = _mm_or_si128(_mm_or_si128(_mm_set1_epi32(0xE0), _mm_srli_epi32(units, 12)),
                                       _mm_or_si128(_mm_slli_epi32(middle, 8), _mm_slli_epi32(last, 16)));
    const __m128i below_800 = _mm_cmplt_epi32(units, _mm_set1_epi32(0x800));
    const __m128i below_80 = _mm_cmplt_epi32(units, _mm_set1_epi32(0x80));
    const __m128i two_or_three = _mm_or_si128(_mm_and_si128(below_800, two), _mm_andnot_si128(below_800, three));
    words = _mm_or_si128(_mm_and_si128(below_80, units), _mm_andnot_si128(below_80, two_or_three));
    lengths = _mm_add_epi32(_mm_set1_epi32(3), _mm_add_epi32(below_800, below_80));
}

// Eight units at block, none of them a surrogate, written as put_bmp_utf8
// writes each; false (nothing written) when one is a surrogate.
template <bool BIG_END_FIRST>
bool put_bmp_block(const unsigned char* block, char*& into) {
    __m128i units = _mm_loadu_si128(reinterpret_cast<const __m128i*>(block));
    if (BIG_END_FIRST) units = _mm_or_si128(_mm_slli_epi16(units, 8), _mm_srli_epi16(units, 8));
    const __m128i surrogates = _mm_cmpeq_epi16(_mm_and_si128(units, _mm_set1_epi16(static_cast<short>(0xF800))),
                                               _mm_set1_epi16(static_cast<short>(0xD800)));
    if (_mm_movemask_epi8(surrogates) != 0) return false;
    std::uint32_t words[8], lengths[8];
    __m128i word, length;
    bmp_utf8_words(_mm_unpacklo_epi16(units, _mm_setzero_si128()), word, length);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(words), word);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(lengths), length);
    bmp_utf8_words(_mm_unpackhi_epi16(units, _mm_setzero_si128()), word, length);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(words + 4), word);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(lengths + 4), length);
    for (std::size_t unit = 0; unit < 8; ++unit) {
        std::memcpy(into, &words[unit], 4);  // little-endian, as SSE2 is
        into += lengths[unit];
    }
    return true;
}
#endif

template <bool BIG_END_FIRST>
void decode_utf16_text(std::string_view bytes, Utf8Writer& out, DecodedText& decoded, std::size_t raw_limit) {
    const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
    char* into = out.cursor();
    std::size_t at = 0;
    for (; at + 1 < bytes.size(); at += 2) {
#if defined(__SSE2__)
        while (bytes.size() - at >= 16 && put_bmp_block<BIG_END_FIRST>(data + at, into)) at += 16;
        if (at + 1 >= bytes.size()) break;
#endif
        const char32_t unit = utf16_unit<BIG_END_FIRST>(data + at);
        if ((unit & 0xF800) != 0xD800) {
            into = put_bmp_utf8(into, unit);
            continue;
        }
        if (is_high_surrogate(unit) && at + 3 < bytes.size() && is_low_surrogate(utf16_unit<BIG_END_FIRST>(data + at + 2))) {
            into = put_utf8(into, 0x10000 + ((unit - 0xD800) << 10) + (utf16_unit<BIG_END_FIRST>(data + at + 2) - 0xDC00));
            at += 2;
            continue;
        }
        // A surrogate alone comes out in its three-byte form, which UTF-8
        // forbids: three stray bytes.
        into = put_utf8(into, unit);
        if (++decoded.raw_bytes > raw_limit) break;
    }
    out.move_to(into);
    if (at + 1 == bytes.size()) out.put_raw(data[at]);
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

std::optional<DecodedText> decode_text(std::string_view bytes, InputEncoding encoding, char* out,
                                       std::size_t raw_limit) {
    DecodedText decoded;
    {
        Utf8Writer writer(out, decoded);
        if (encoding == InputEncoding::cp932 || encoding == InputEncoding::euc_jp) {
            LegacyDecoder decoder(encoding == InputEncoding::cp932 ? "CP932" : "EUC-JP-MS");
            if (!decoder.usable()) return std::nullopt;
            decoder.decode(bytes, writer, raw_limit);
        } else if (encoding == InputEncoding::utf16le || encoding == InputEncoding::utf16be) {
            if (encoding == InputEncoding::utf16be)
                decode_utf16_text<true>(bytes, writer, decoded, raw_limit);
            else
                decode_utf16_text<false>(bytes, writer, decoded, raw_limit);
        } else {
            decode_utf8_text(bytes, writer, decoded, raw_limit);
        }
    }
    return decoded;
}

}  // namespace vesk
