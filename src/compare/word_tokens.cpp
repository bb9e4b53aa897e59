#include "compare/word_tokens.h"

#include <algorithm>

#include "support/byte_rules.h"
#include "support/char_class.h"

namespace vesk {
namespace {

// Token keys: FNV-1a over the compared bytes. Equal keys are confirmed byte by
// byte; the key only makes unequal tokens cheap to tell apart.
constexpr std::uint64_t KEY_START = 0xcbf29ce484222325ull;
constexpr std::uint64_t KEY_FACTOR = 0x100000001b3ull;
// Under -b every run of blanks has this key.
constexpr std::uint64_t BLANK_RUN_KEY = 0x2020202020202020ull;

std::uint64_t key_of(std::string_view bytes) {
    std::uint64_t key = KEY_START;
    for (char byte : bytes) key = (key ^ static_cast<unsigned char>(byte)) * KEY_FACTOR;
    return key;
}

// -i's folding of the whole text, reading the bytes in order as the comparison
// of two lines does: in Shift-JIS text the byte after a folding lead byte stays.
void fold_text(std::string_view text, Encoding encoding, FirstByte first_byte, std::string& folded) {
    folded.assign(text);
    const bool steps_over_second_bytes = encoding == Encoding::shift_jis;
    bool second_byte = steps_over_second_bytes && first_byte == FirstByte::trail;
    for (char& byte : folded) {
        const auto value = static_cast<unsigned char>(byte);
        if (!second_byte) byte = static_cast<char>(fold_ascii(value));
        second_byte = steps_over_second_bytes && !second_byte && is_fold_lead_byte(value);
    }
}

// Whether a character of this class stands alone as a token (a run of blanks
// is handled before), rather than joining the run of its class.
bool stands_alone(std::uint8_t char_class) {
    return char_class == CLASS_PUNCT || char_class == CLASS_SYMBOL || char_class == CLASS_BLANK;
}

class Splitter {
public:
    Splitter(std::string_view text, const TextRules& rules, LineTokens& line)
        : text_(text), rules_(rules), line_(line) {}

    void split() {
        while (at_ < text_.size()) {
            if (is_blank(static_cast<unsigned char>(text_[at_]))) {
                take_blank_run();
                continue;
            }
            ClassedChar next = classed_char(text_.substr(at_), rules_.encoding);
            if (next.char_class == CLASS_JOINING && !line_.tokens.empty() && line_.tokens.back().end == at_) {
                extend_last(next.length);
                continue;
            }
            // A joining character that opens the text is a symbol.
            if (next.char_class == CLASS_JOINING) next.char_class = CLASS_SYMBOL;
            take_run(next);
        }
    }

private:
    void take_blank_run() {
        const std::size_t start = at_;
        while (at_ < text_.size() && is_blank(static_cast<unsigned char>(text_[at_]))) ++at_;
        if (rules_.squeeze_blanks && at_ == text_.size()) return;
        add(start, at_ - start, true);
    }

    // A character and, unless it stands alone, the characters of its class after it.
    void take_run(ClassedChar first) {
        const std::size_t start = at_;
        std::size_t chars = 1;
        at_ += first.length;
        while (!stands_alone(first.char_class) && at_ < text_.size()) {
            ClassedChar next = classed_char(text_.substr(at_), rules_.encoding);
            if (next.char_class != first.char_class && next.char_class != CLASS_JOINING) break;
            at_ += next.length;
            ++chars;
        }
        add(start, chars, false);
    }

    void extend_last(std::size_t length) {
        Token& last = line_.tokens.back();
        at_ += length;
        last.end = at_;
        last.blank_run = false;  // compared by its bytes, not as any run of blanks
        ++last.chars;
        ++line_.chars;
        last.key = key_of(line_.text.substr(last.start, last.end - last.start));
    }

    void add(std::size_t start, std::size_t chars, bool blank_run) {
        const std::string_view bytes = line_.text.substr(start, at_ - start);
        const std::uint64_t key = blank_run && rules_.squeeze_blanks ? BLANK_RUN_KEY : key_of(bytes);
        line_.tokens.push_back({start, at_, chars, key, blank_run});
        line_.chars += chars;
    }

    std::string_view text_;
    const TextRules& rules_;
    LineTokens& line_;
    std::size_t at_ = 0;
};

}  // namespace

void split_tokens(std::string_view text, const TextRules& rules, LineTokens& line, FirstByte first_byte) {
    line.tokens.clear();
    line.chars = 0;
    if (rules.fold_case) {
        fold_text(text, rules.encoding, first_byte, line.folded);
        line.text = line.folded;
    } else {
        line.text = text;
    }
    Splitter(text, rules, line).split();
}

}  // namespace vesk

namespace vesk {

void sort_keys(LineTokens& line) {
    line.sorted_keys.clear();
    for (const Token& token : line.tokens) line.sorted_keys.emplace_back(token.key, token.chars);
    std::sort(line.sorted_keys.begin(), line.sorted_keys.end());
}

// Within a run of equal keys, the longest tokens come last: of n on one line
// and m on the other, the last min(n, m) of each are the most a subsequence can use.
std::size_t common_chars_bound(const LineTokens& a, const LineTokens& b) {
    const auto& first = a.sorted_keys;
    const auto& second = b.sorted_keys;
    std::size_t bound = 0, x = 0, y = 0;
    while (x < first.size() && y < second.size()) {
        if (first[x].first != second[y].first) {
            (first[x].first < second[y].first ? x : y) += 1;
            continue;
        }
        const std::uint64_t key = first[x].first;
        std::size_t x_end = x, y_end = y;
        while (x_end < first.size() && first[x_end].first == key) ++x_end;
        while (y_end < second.size() && second[y_end].first == key) ++y_end;
        const std::size_t used = std::min(x_end - x, y_end - y);
        for (std::size_t at = 0; at < used; ++at) bound += first[x_end - 1 - at].second + second[y_end - 1 - at].second;
        x = x_end;
        y = y_end;
    }
    return bound;
}

}  // namespace vesk
