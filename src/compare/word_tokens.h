// A line cut into the tokens whose changes a coloured report picks out: the
// words of the in-line display (a maximal run of characters of one class), except
// that each punctuation or symbol character is a token of its own, each run of
// blanks (spaces and tabs) is one token, and every other blank-class character
// (a control byte, another kind of space) is one too. A joining character (a
// combining mark) belongs to the token of the character before it. Under -b a
// run of blanks that ends the line is no token. The text is a printed line
// without its newline. Tokens compare as the reports compare texts: -i folds
// A-Z (in Shift-JIS text never the byte after a byte that folding takes as a
// lead byte), and under -b every run of blanks equals every other.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "model/line_table.h"
#include "model/text_rules.h"

namespace vesk {

struct Token {
    std::size_t start;  // bytes [start, end) of the text
    std::size_t end;
    std::size_t chars;  // characters in it
    std::uint64_t key;  // equal tokens have equal keys
    bool blank_run;
};

// The tokens of one line, and the text they are compared by.
struct LineTokens {
    std::vector<Token> tokens;
    std::string folded;     // the text with -i's folding, when -i is given
    std::string_view text;  // the text the tokens' bytes are compared in
    std::size_t chars = 0;  // characters in all tokens together
    // The tokens' keys and characters, in order of key and then of characters;
    // filled by sort_keys().
    std::vector<std::pair<std::uint64_t, std::size_t>> sorted_keys;
};

// Cuts text into tokens under rules; first_byte tells how -i reads the first
// byte (a piece of a long line may open on the trail byte of a character).
void split_tokens(std::string_view text, const TextRules& rules, LineTokens& line,
                  FirstByte first_byte = FirstByte::own);

void sort_keys(LineTokens& line);

// At least the characters, on both lines together, of any common subsequence
// of their tokens: for each key, the most characters that as many tokens with
// it as both lines hold can have. Both lines' keys are sorted.
std::size_t common_chars_bound(const LineTokens& a, const LineTokens& b);

// Whether token x of a and token y of b are equal under the rules they were cut by.
inline bool same_token(const LineTokens& a, std::size_t x, const LineTokens& b, std::size_t y, bool squeeze_blanks) {
    const Token& first = a.tokens[x];
    const Token& second = b.tokens[y];
    if (first.key != second.key) return false;
    if (squeeze_blanks && first.blank_run) return second.blank_run;
    return a.text.substr(first.start, first.end - first.start) == b.text.substr(second.start, second.end - second.start);
}

}  // namespace vesk
