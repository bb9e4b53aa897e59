// The changed words of generated line pairs against plain references, never
// for production: the tokens as the rules read (one character at a time), and
// a longest common token subsequence by the textbook dynamic programme.
#include "compare/changed_words.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "support/char_class.h"

namespace vesk {
namespace {

struct RefToken {
    std::size_t start, end;
    std::string compared;  // -i folded; under -b every blank run is " "
    std::size_t chars;
};

bool is_blank_byte(char byte) { return byte == ' ' || byte == '\t'; }

// A character at a time: blanks gather into one run, punctuation, symbols and
// other blank-class characters stand alone, any other character joins a
// token before it of its class; a joining character joins whatever precedes it.
std::vector<RefToken> reference_tokens(const std::string& line, const TextRules& rules) {
    std::vector<RefToken> tokens;
    std::uint8_t last_class = 0;
    bool last_alone = true;
    for (std::size_t at = 0; at < line.size();) {
        ClassedChar next = classed_char(std::string_view(line).substr(at), rules.encoding);
        const bool blank = is_blank_byte(line[at]);
        const std::uint8_t char_class = blank ? 0xFF : next.char_class;
        const bool joins = !tokens.empty() && (char_class == CLASS_JOINING ||
                                               (char_class == last_class && (blank || !last_alone)));
        if (!joins) tokens.push_back({at, at, "", 0});
        tokens.back().end = at + next.length;
        ++tokens.back().chars;
        if (char_class != CLASS_JOINING) {
            last_class = char_class;
            last_alone = !blank && (char_class == CLASS_PUNCT || char_class == CLASS_SYMBOL || char_class == CLASS_BLANK);
        } else if (tokens.back().chars == 1) {
            last_class = CLASS_SYMBOL, last_alone = true;  // a mark that opens a token is a symbol
        } else if (last_class == 0xFF) {
            last_class = 0xFE;  // a blank run with a mark joined is blanks no more
        }
        at += next.length;
    }
    if (rules.squeeze_blanks && !tokens.empty() && is_blank_byte(line[tokens.back().start]) &&
        tokens.back().end - tokens.back().start == tokens.back().chars)
        tokens.pop_back();
    // -i folds A-Z, except in Shift-JIS the byte after a folding lead byte.
    std::string folded = line;
    for (std::size_t at = 0; rules.ignore_case && at < folded.size(); ++at) {
        const auto byte = static_cast<unsigned char>(folded[at]);
        if (rules.encoding == Encoding::shift_jis && byte >= 0x80 && !(byte >= 0xA1 && byte <= 0xDF)) ++at;
        else if (byte >= 'A' && byte <= 'Z') folded[at] = static_cast<char>(byte + 0x20);
    }
    for (RefToken& token : tokens) {
        token.compared = folded.substr(token.start, token.end - token.start);
        if (rules.squeeze_blanks && token.compared.find_first_not_of(" \t") == std::string::npos) token.compared = " ";
    }
    return tokens;
}

std::size_t lcs_length(const std::vector<RefToken>& a, const std::vector<RefToken>& b) {
    std::vector<std::vector<std::size_t>> table(a.size() + 1, std::vector<std::size_t>(b.size() + 1, 0));
    for (std::size_t x = 1; x <= a.size(); ++x)
        for (std::size_t y = 1; y <= b.size(); ++y)
            table[x][y] = a[x - 1].compared == b[y - 1].compared ? table[x - 1][y - 1] + 1
                                                                  : std::max(table[x - 1][y], table[x][y - 1]);
    return table[a.size()][b.size()];
}

// The tokens of a line outside its segments; fails when a segment edge cuts a token.
std::vector<RefToken> outside(const std::vector<RefToken>& tokens, std::span<const Segment> segments) {
    std::vector<RefToken> kept;
    std::size_t segment = 0;
    for (const RefToken& token : tokens) {
        while (segment < segments.size() && segments[segment].end <= token.start) ++segment;
        const bool inside = segment < segments.size() && segments[segment].start < token.end;
        if (inside) {
            EXPECT_LE(segments[segment].start, token.start) << "a segment starts inside a token";
            EXPECT_GE(segments[segment].end, token.end) << "a segment ends inside a token";
        } else {
            kept.push_back(token);
        }
    }
    return kept;
}

// Pieces the generated lines are made of: ASCII code, Shift-JIS and UTF-8
// Japanese (今日 は 晴れ です 。 雨 カタカナ ＡＢＣ), UTF-8 with a combining mark.
const std::vector<std::string> ASCII_PIECES = {"foo", "Bar", "bar_baz", "12", "3.5", "(", ")", ";", "=", " ",
                                               "  ", "\t", "x", "X", "+", "return"};
const std::vector<std::string> SJIS_PIECES = {"\x8d\xa1\x93\xfa", "\x82\xcd", "\x90\xb0\x82\xea", "\x82\xc5\x82\xb7",
                                              "\x81\x42", "\x89\x4a", "\x83\x4a\x83\x5e\x83\x4a\x83\x69",
                                              "\x82\x60\x82\x61\x82\x62", " ", "a", "A", "\xb1\xb2"};
const std::vector<std::string> UTF8_PIECES = {"今日", "は", "晴れ", "です", "。", "雨", "カタカナ", "ＡＢＣ",
                                              " ", "a", "A", "e\u0301", "\u0301", "\xff"};

std::string random_line(std::mt19937& random, const std::vector<std::string>& pieces) {
    std::string line;
    for (std::size_t count = random() % 12; count > 0; --count) line += pieces[random() % pieces.size()];
    return line;
}

// A second line mostly like the first: some pieces replaced, inserted or dropped.
std::string edited(const std::string& line, std::mt19937& random, const std::vector<std::string>& pieces) {
    if (random() % 6 == 0) return random_line(random, pieces);
    std::string result = line;
    for (std::size_t edits = 1 + random() % 3; edits > 0; --edits) {
        const std::size_t at = result.empty() ? 0 : random() % (result.size() + 1);
        const std::size_t cut = std::min<std::size_t>(random() % 4, result.size() - at);
        result.replace(at, random() % 3 == 0 ? 0 : cut, random() % 3 == 0 ? "" : pieces[random() % pieces.size()]);
    }
    return result;
}

void check_pair(PairWords& words, const std::string& first, const std::string& second, const TextRules& rules) {
    SCOPED_TRACE("\"" + first + "\" / \"" + second + "\"");
    const bool similar = words.compare(first, second, rules);
    const std::vector<RefToken> first_tokens = reference_tokens(first, rules);
    const std::vector<RefToken> second_tokens = reference_tokens(second, rules);
    if (!similar) {
        EXPECT_TRUE(words.first_segments().empty() && words.second_segments().empty());
        return;
    }
    const std::vector<RefToken> kept1 = outside(first_tokens, words.first_segments());
    const std::vector<RefToken> kept2 = outside(second_tokens, words.second_segments());
    ASSERT_EQ(kept1.size(), kept2.size());
    std::size_t common_chars = 0;
    for (std::size_t token = 0; token < kept1.size(); ++token) {
        EXPECT_EQ(kept1[token].compared, kept2[token].compared);
        common_chars += kept1[token].chars + kept2[token].chars;
    }
    EXPECT_EQ(kept1.size(), lcs_length(first_tokens, second_tokens));
    std::size_t total_chars = 0;
    for (const auto* tokens : {&first_tokens, &second_tokens})
        for (const RefToken& token : *tokens) total_chars += token.chars;
    EXPECT_GE(2 * common_chars, total_chars);
}

TEST(ChangedWords, SegmentsAreTheTokensOutsideALongestCommonSubsequence) {
    const char* asked = std::getenv("VESK_COLOUR_PAIRS");
    const long pairs = asked != nullptr ? std::atol(asked) : 3000;
    std::mt19937 random(24);
    PairWords words;
    for (long round = 0; round < pairs && !::testing::Test::HasFailure(); ++round) {
        const std::vector<std::string>& pieces =
            round % 3 == 0 ? ASCII_PIECES : round % 3 == 1 ? SJIS_PIECES : UTF8_PIECES;
        const TextRules rules{round % 3 == 2 ? Encoding::utf8 : Encoding::shift_jis, random() % 2 == 0,
                              random() % 2 == 0};
        const std::string first = random_line(random, pieces);
        check_pair(words, first, edited(first, random, pieces), rules);
    }
}

// Hand-worked pairings: "abc d" pairs with the like line, not the first after it.
TEST(ChangedWords, UnequalChangesPairEachLineWithTheMostSimilarAfterTheLastPartner) {
    ChangedWords words;
    const std::vector<std::string_view> first = {"alpha beta gamma", "one two three"};
    const std::vector<std::string_view> second = {"zzz", "one two four", "alpha beta delta", "one two thre"};
    words.find(first, second, TextRules{});
    // Line 0 against 2 ("alpha beta" is 10 of 16 and 16 characters), not 1 or 3,
    // which share only blanks; line 1 then only from line 3 on.
    EXPECT_EQ(words.partner(0), 2u);
    EXPECT_EQ(words.partner(1), 3u);
    EXPECT_EQ(words.first_segments(0).size(), 1u);
    EXPECT_TRUE(words.second_segments(0).empty() && words.second_segments(1).empty());
}

// A long line changed in ten places costs a walk along it, not its square.
TEST(ChangedWords, LongLinesChangedInAFewPlacesStaySimilar) {
    std::string first, second;
    for (int word = 0; word < 100000; ++word) {
        first += "w" + std::to_string(word % 977) + " ";
        second += (word % 10000 == 5000 ? "ZZ" : "w" + std::to_string(word % 977)) + " ";
    }
    PairWords words;
    ASSERT_TRUE(words.compare(first, second, TextRules{}));
    EXPECT_EQ(words.first_segments().size(), 10u);
}

}  // namespace
}  // namespace vesk
