#include "driver/encoding_detection.h"

#include <algorithm>
#include <cstring>
#include <initializer_list>
#include <optional>

#include "driver/transcoding.h"
#include "support/memory.h"
#include "support/text_encoding.h"

namespace vesk {
namespace {

// What a character says for or against Japanese text.
long character_weight(char32_t code) {
    if (code >= 0x3000 && code <= 0x30FF) return 2;  // Japanese punctuation, hiragana, katakana
    if ((code >= 0x4E00 && code <= 0x9FFF) || (code >= 0xFF01 && code <= 0xFF5E)) return 1;  // kanji, full-width
    // ASCII letters, digits and signs: what the other readings of ASCII text
    // lose (as UTF-16, two of them make an ideograph).
    if (code > 0x20 && code <= 0x7E) return 1;
    if (code == '\t' || code == '\n' || code == '\r' || code == ' ') return 0;
    // Latin-1 signs, Greek, Cyrillic, general punctuation and symbols: all in JIS X 0208.
    if ((code >= 0xA0 && code <= 0xFF) || (code >= 0x370 && code <= 0x4FF) || (code >= 0x2000 && code <= 0x2BFF))
        return 0;
    if (code >= 0xFF61 && code <= 0xFF9F) return -1;  // half-width katakana: rare in real text
    // Control characters (C1 among them, which EUC-JP reads its stray bytes as)
    // are no text at all.
    if (code < 0x20 || (code >= 0x7F && code <= 0x9F)) return -10;
    return -2;
}

// The part of the file the choice reads: when it is cut, it ends after a line
// feed, which in CP932, EUC-JP and UTF-8 ends a character, so that no character
// is cut short. UTF-16 reads it in whole units from the start.
std::string_view sample_of(std::string_view bytes) {
    if (bytes.size() <= DETECTION_SAMPLE_BYTES) return bytes;
    std::string_view sample = bytes.substr(0, DETECTION_SAMPLE_BYTES);
    std::size_t line_feed = sample.rfind('\n');
    return line_feed == std::string_view::npos ? sample : sample.substr(0, line_feed + 1);
}

// One reading of the sample: how many of its bytes start no character and,
// asked only where that count ties, how plausible its text reads. A reading
// that meets more raw bytes than `raw_limit` (the best one so far) cannot win,
// and stops there.
class Candidate {
public:
    Candidate(std::string_view sample, InputEncoding encoding, std::size_t raw_limit = SIZE_MAX)
        : encoding(encoding), text_(take_buffer<char>(decoded_size_bound(sample.size()))) {
        std::optional<DecodedText> decoded = decode_text(sample, encoding, text_.get(), raw_limit);
        if (decoded) raw_bytes = decoded->raw_bytes, size_ = decoded->size;
    }

    bool better_than(Candidate& other) {
        if (raw_bytes != other.raw_bytes) return raw_bytes < other.raw_bytes;
        return plausibility() > other.plausibility();
    }
    long plausibility() {
        if (!plausibility_) plausibility_ = japanese_plausibility({text_.get(), size_}) + bonus;
        return *plausibility_;
    }

    InputEncoding encoding;
    std::size_t raw_bytes = SIZE_MAX;  // SIZE_MAX: the C library cannot decode it at all
    long bonus = 0;                    // added to the plausibility

private:
    Buffer<char> text_;
    std::size_t size_ = 0;
    std::optional<long> plausibility_;
};

// The best of the readings of the sample in encodings, in that order (ties go
// to the first), after best.
void choose(std::string_view sample, std::initializer_list<InputEncoding> encodings, std::optional<Candidate>& best) {
    for (InputEncoding encoding : encodings) {
        Candidate next(sample, encoding, best ? best->raw_bytes : SIZE_MAX);
        if (!best || next.better_than(*best)) best.emplace(std::move(next));
    }
}

// The byte order of UTF-16 text: zeros stand where the high bytes of ASCII
// characters do (odd offsets in little-endian), and each such zero counts as
// much as a kana; the rest is the plausibility of what either order reads as
// (an ideograph such as U+4E00 has a zero byte too, on the other side).
InputEncoding utf16_byte_order(std::string_view units) {
    constexpr long ZERO_WEIGHT = 2;
    long zeros_even = 0, zeros_odd = 0;
    for (std::size_t at = 0; at < units.size(); ++at)
        if (units[at] == '\0') ++(at % 2 == 0 ? zeros_even : zeros_odd);
    Candidate little(units, InputEncoding::utf16le);
    Candidate big(units, InputEncoding::utf16be, little.raw_bytes);
    little.bonus = ZERO_WEIGHT * zeros_odd;
    big.bonus = ZERO_WEIGHT * zeros_even;
    return big.better_than(little) ? InputEncoding::utf16be : InputEncoding::utf16le;
}

InputEncoding detect_encoding(std::string_view bytes) {
    for (InputEncoding marked : {InputEncoding::utf8, InputEncoding::utf16le, InputEncoding::utf16be})
        if (byte_order_mark_length(bytes, marked) > 0) return marked;
    std::string_view sample = sample_of(bytes);
    // A cut sample may end inside a unit.
    const bool cut = sample.size() < bytes.size();
    std::string_view units = cut ? sample.substr(0, sample.size() & ~std::size_t{1}) : sample;
    if (std::memchr(sample.data(), '\0', sample.size()) != nullptr) return utf16_byte_order(units);
    if (Candidate(sample, InputEncoding::utf8, 0).raw_bytes == 0) return InputEncoding::utf8;
    std::optional<Candidate> best;
    choose(sample, {InputEncoding::cp932, InputEncoding::euc_jp, InputEncoding::utf8}, best);
    // UTF-16 text without a NUL holds no line feed either (that is 0A 00): a
    // line feed byte says the text is in a byte encoding.
    if (std::memchr(sample.data(), '\n', sample.size()) == nullptr)
        choose(units, {InputEncoding::utf16le, InputEncoding::utf16be}, best);
    return best->encoding;
}

}  // namespace

long japanese_plausibility(std::string_view text) {
    long total = 0;
    for (std::size_t at = 0; at < text.size();) {
        Utf8Char next = decode_utf8(text.substr(at));
        total += character_weight(next.code);
        at += next.length;
    }
    return total;
}

InputEncoding resolve_encoding(std::string_view bytes, InputEncoding requested) {
    switch (requested) {
        case InputEncoding::detect: return detect_encoding(bytes);
        case InputEncoding::utf16:
            return byte_order_mark_length(bytes, InputEncoding::utf16be) > 0 ? InputEncoding::utf16be
                                                                              : InputEncoding::utf16le;
        default: return requested;
    }
}

}  // namespace vesk
