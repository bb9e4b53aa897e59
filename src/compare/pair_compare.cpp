#include "compare/pair_compare.h"

#include <cstring>
#include <string_view>

#include "model/line_table.h"
#include "model/options.h"
#include "support/byte_rules.h"

namespace vesk {
namespace {

// A forward walk over a text that reads each byte as -i folding leaves it (the
// second byte of a double-byte character unfolded), so that no folded copy of
// the line is needed.
class TextCursor {
public:
    // Under --utf8 no byte is a second byte: capitals are folded wherever they stand.
    TextCursor(std::string_view text, bool fold, bool utf8, FirstByte first_byte)
        : at_(reinterpret_cast<const unsigned char*>(text.data())),
          end_(at_ + text.size()),
          fold_(fold),
          steps_over_second_bytes_(fold && !utf8),
          second_byte_(steps_over_second_bytes_ && first_byte == FirstByte::trail) {}

    // At the end, 0, as the NUL after a text would read.
    unsigned char byte() const {
        if (at_end()) return 0;
        return fold_ && !second_byte_ ? fold_ascii(*at_) : *at_;
    }
    bool at_end() const { return at_ == end_; }
    bool on_blank() const { return !at_end() && is_blank(*at_); }
    bool on_final_newline() const { return end_ - at_ == 1 && *at_ == '\n'; }

    void advance() {
        second_byte_ = steps_over_second_bytes_ && !second_byte_ && is_fold_lead_byte(*at_);
        ++at_;
    }
    // Steps over a run of blanks and tabs; true when there was one.
    bool skip_blanks() {
        bool had_run = on_blank();
        while (on_blank()) advance();
        return had_run;
    }

private:
    const unsigned char* at_;
    const unsigned char* end_;
    bool fold_;
    bool steps_over_second_bytes_;
    bool second_byte_;
};

bool differ_exactly(TextCursor first, TextCursor second) {
    while (!first.at_end() && first.byte() == second.byte()) {
        first.advance();
        second.advance();
    }
    return first.byte() != second.byte();
}

bool differ_squeezed(TextCursor first, TextCursor second) {
    while (!first.at_end()) {
        bool first_run = first.skip_blanks();
        if (first.at_end()) break;
        bool second_run = second.skip_blanks();
        if (first_run != second_run) break;
        if (first.byte() != second.byte()) return true;
        first.advance();
        second.advance();
    }
    first.skip_blanks();
    second.skip_blanks();
    if (first.on_final_newline() && second.on_final_newline()) return false;
    return !(first.at_end() && second.at_end());
}

// Whether second's text is first_text, found without measuring it first: the
// comparison stops at a NUL in second, and second is read no further than its
// own text reaches.
bool same_text(std::string_view first_text, const char* second) {
    const std::size_t length = first_text.size();
    if (std::strncmp(first_text.data(), second, length) != 0) return false;
    // Both hold the same bytes so far: second ends here too when first_text ends
    // with its newline, or else when a NUL follows.
    return (length > 0 && first_text[length - 1] == '\n') || second[length] == '\0';
}

}  // namespace

bool lines_differ(LineText first, LineText second, TextRules rules) {
    std::string_view first_text(first.text, line_length(first.text));
    const bool fold = rules.fold_case;
    // Identical texts are equal under every option, and most matched pairs are;
    // unless -i reads their first bytes differently.
    if ((!fold || first.first_byte == second.first_byte) && same_text(first_text, second.text)) return false;
    if (rules.exact()) return true;
    const bool utf8 = rules.utf8();
    TextCursor first_cursor(first_text, fold, utf8, first.first_byte);
    TextCursor second_cursor({second.text, line_length(second.text)}, fold, utf8, second.first_byte);
    if (rules.squeeze_blanks) return differ_squeezed(first_cursor, second_cursor);
    return differ_exactly(first_cursor, second_cursor);
}

}  // namespace vesk
