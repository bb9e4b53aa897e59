#include "report/pair_compare.h"

#include <cstring>

#include "driver/options.h"

namespace vesk {
namespace {

// A forward walk over a text that reads each byte as fold_case would have left
// it, so that no folded copy of the line is needed.
class TextCursor {
public:
    TextCursor(const char* text, bool fold) : at_(reinterpret_cast<const unsigned char*>(text)), fold_(fold) {}

    unsigned char byte() const {
        if (fold_ && !second_byte_ && *at_ >= 'A' && *at_ <= 'Z') return static_cast<unsigned char>(*at_ + 0x20);
        return *at_;
    }
    bool at_end() const { return *at_ == '\0'; }
    bool on_blank() const { return is_blank(*at_); }
    bool on_final_newline() const { return at_[0] == '\n' && at_[1] == '\0'; }

    void advance() {
        // Top bit set but not a one-byte katakana (0xA1-0xDF): the next byte is
        // the second half of a double-byte character.
        second_byte_ = fold_ && !second_byte_ && *at_ >= 0x80 && !(*at_ >= 0xA1 && *at_ <= 0xDF);
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
    bool fold_;
    bool second_byte_ = false;
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

}  // namespace

bool lines_differ(const char* first, const char* second, std::uint32_t flags) {
    // Identical texts are equal under every option, and most matched pairs are.
    if (std::strcmp(first, second) == 0) return false;
    const bool fold = (flags & OPT_IGNORE_CASE) != 0;
    if (!fold && (flags & OPT_SQUEEZE_BLANKS) == 0) return true;
    TextCursor first_cursor(first, fold), second_cursor(second, fold);
    if ((flags & OPT_SQUEEZE_BLANKS) != 0) return differ_squeezed(first_cursor, second_cursor);
    return differ_exactly(first_cursor, second_cursor);
}

}  // namespace vesk
