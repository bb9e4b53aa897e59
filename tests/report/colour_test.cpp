// Colour on generated lines and runs, against plain references never for
// production: the tokens as the rules read (a character at a time), a longest
// common token subsequence by the textbook dynamic programme, and the plain
// report that a coloured one is without its escape sequences.
#include <gtest/gtest.h>

#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "compare/changed_words.h"
#include "driver/phases.h"
#include "hand_run.h"
#include "long_runs.h"
#include "support/char_class.h"
#include "support/run_end.h"

namespace vesk {
namespace {

struct RefToken {
    std::size_t start, end, chars;
    std::string compared;  // -i folded; under -b every blank run is " "
};

bool blank_byte(char byte) { return byte == ' ' || byte == '\t'; }

// Blanks gather into one run; punctuation, symbols and other blank-class
// characters stand alone; any other character joins a token of its class
// before it; a joining character joins whatever precedes it (a blank run then
// is blanks no more), and opens a symbol at the start.
std::vector<RefToken> reference_tokens(const std::string& line, const TextRules& rules) {
    std::vector<RefToken> tokens;
    int last = -1;  // the class a next character must have to join, -1 none
    for (std::size_t at = 0; at < line.size();) {
        const ClassedChar next = classed_char(std::string_view(line).substr(at), rules.encoding);
        const int char_class = blank_byte(line[at]) ? 0xFF : next.char_class;
        if (!(char_class == CLASS_JOINING && !tokens.empty()) && char_class != last) tokens.push_back({at, at, 0, ""});
        tokens.back().end = at += next.length;
        ++tokens.back().chars;
        if (char_class == CLASS_JOINING) last = tokens.back().chars == 1 ? -1 : last == 0xFF ? -1 : last;
        else last = char_class == CLASS_PUNCT || char_class == CLASS_SYMBOL || char_class == CLASS_BLANK ? -1 : char_class;
    }
    const bool blank_end = !tokens.empty() && line.find_first_not_of(" \t", tokens.back().start) == std::string::npos;
    if (rules.squeeze_blanks && blank_end) tokens.pop_back();
    std::string folded = line;
    for (std::size_t at = 0; rules.fold_case && at < folded.size(); ++at) {
        const auto byte = static_cast<unsigned char>(folded[at]);
        if (rules.encoding == Encoding::shift_jis && byte >= 0x80 && !(byte >= 0xA1 && byte <= 0xDF)) ++at;
        else if (byte >= 'A' && byte <= 'Z') folded[at] = static_cast<char>(byte + 0x20);
    }
    for (RefToken& token : tokens) {
        token.compared = folded.substr(token.start, token.end - token.start);
        if (rules.squeeze_blanks && token.compared.find_first_not_of(" \t") == std::string::npos) token.compared.assign(1, ' ');
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

// The tokens of a line outside its segments; fails where a segment edge cuts a token.
std::vector<RefToken> outside(const std::vector<RefToken>& tokens, std::span<const Segment> segments) {
    std::vector<RefToken> kept;
    std::size_t segment = 0;
    for (const RefToken& token : tokens) {
        while (segment < segments.size() && segments[segment].end <= token.start) ++segment;
        if (segment == segments.size() || segments[segment].start >= token.end) kept.push_back(token);
        else EXPECT_TRUE(segments[segment].start <= token.start && segments[segment].end >= token.end);
    }
    return kept;
}

// ASCII code (with a word that makes lines of more than one piece), Shift-JIS
// and UTF-8 Japanese (今日 は 晴れ です 。 雨 ...), with a combining mark.
const std::vector<std::string> PIECES[] = {
    {"foo", "Bar", "bar_baz", "12", "(", ")", ";", " ", "  ", "\t", "X", "x", "\f", std::string(4094, 'w')},
    {"\x8d\xa1\x93\xfa", "\x82\xcd", "\x90\xb0\x82\xea", "\x82\xc5\x82\xb7", "\x81\x42", "\x89\x4a", " ", "a", "A"},
    {"今日", "は", "晴れ", "です", "。", "雨", "カタカナ", " ", "a", "A", "e\u0301", "\u0301", "\t"},
};

std::string random_line(std::mt19937& random, const std::vector<std::string>& pieces) {
    std::string line;
    for (std::size_t count = random() % 10; count > 0; --count) line += pieces[random() % pieces.size()];
    return line;
}

// Mostly like the line: a piece or two inserted; now and then another line.
std::string edited(std::string line, std::mt19937& random, const std::vector<std::string>& pieces) {
    if (random() % 6 == 0) return random_line(random, pieces);
    for (std::size_t edits = 1 + random() % 2; edits > 0; --edits)
        line.insert(random() % (line.size() + 1), pieces[random() % pieces.size()]);
    if (random() % 2 == 0 && !line.empty()) line.erase(random() % line.size(), 2);
    return line;
}

TEST(ChangedWords, SegmentsAreTheTokensOutsideALongestCommonSubsequence) {
    std::mt19937 random(24);
    PairWords words;
    long similar = 0;
    for (int round = 0; round < testing::case_count("VESK_COLOUR_PAIRS", 5000) && !::testing::Test::HasFailure(); ++round) {
        const bool fold_case = random() % 2 == 0, squeeze_blanks = random() % 2 == 0;
        const TextRules rules{fold_case, squeeze_blanks, round % 3 == 2 ? Encoding::utf8 : Encoding::shift_jis};
        const std::string first = random_line(random, PIECES[round % 3]);
        const std::string second = edited(first, random, PIECES[round % 3]);
        SCOPED_TRACE("\"" + first + "\" / \"" + second + "\"");
        if (!words.compare(first, second, rules)) continue;
        ++similar;
        const std::vector<RefToken> tokens1 = reference_tokens(first, rules), tokens2 = reference_tokens(second, rules);
        const std::vector<RefToken> kept1 = outside(tokens1, words.first_segments());
        const std::vector<RefToken> kept2 = outside(tokens2, words.second_segments());
        ASSERT_EQ(kept1.size(), kept2.size());
        EXPECT_EQ(kept1.size(), lcs_length(tokens1, tokens2));
        std::size_t common = 0, total = 0;
        for (std::size_t token = 0; token < kept1.size(); ++token) {
            EXPECT_EQ(kept1[token].compared, kept2[token].compared);
            common += kept1[token].chars + kept2[token].chars;
        }
        for (const RefToken& token : tokens1) total += token.chars;
        for (const RefToken& token : tokens2) total += token.chars;
        EXPECT_GE(2 * common, total);
    }
    EXPECT_GT(similar, testing::case_count("VESK_COLOUR_PAIRS", 5000) / 3);
}

// Ten changed words in a 100,000-word line cost a walk along it, not its square.
TEST(ChangedWords, LongLinesChangedInAFewPlacesStaySimilar) {
    std::string first, second;
    for (int word = 0; word < 100000; ++word) {
        const std::string number = std::to_string(word % 977);
        first.append("w").append(number).append(" ");
        second.append(word % 10000 == 5000 ? "ZZ" : "w").append(number).append(" ");
    }
    PairWords words;
    ASSERT_TRUE(words.compare(first, second, TextRules{}));
    EXPECT_EQ(words.first_segments().size(), 10u);
}

// Strips every ESC [ digits-and-';' m, checking that a line holding one opens
// with one and ends with the reset.
std::string without_escapes(const std::string& report) {
    std::string plain;
    std::istringstream lines(report);
    for (std::string line; std::getline(lines, line); plain += '\n') {
        EXPECT_TRUE(line.find('\x1b') == std::string::npos || (line.starts_with("\x1b[") && line.ends_with("\x1b[0m")))
            << line;
        for (std::size_t at = 0, end; at < line.size(); ++at)
            if (line[at] != '\x1b') plain += line[at];
            else if ((end = line.find_first_not_of("0123456789;", at + 2)) < line.size() && line[end] == 'm') at = end;
            else ADD_FAILURE() << "a stray escape in " << line;
    }
    return plain;
}

// Lines without their newlines: new ones, or some of `lines` edited and a line added.
std::vector<std::string> random_file(std::mt19937& random, const std::vector<std::string>& pieces, bool edit,
                                     std::vector<std::string> lines = {}) {
    if (!edit) lines.resize(random() % 7);
    for (std::string& line : lines) line = edit && random() % 2 == 0 ? line : edited(line, random, pieces);
    if (edit && random() % 2 == 0) lines.insert(lines.begin() + static_cast<long>(random() % (lines.size() + 1)), "n");
    return lines;
}

std::vector<std::string> with_newlines(std::vector<std::string> lines) {
    for (std::string& line : lines) line += '\n';
    return lines;
}

TEST(Colour, WithoutItsEscapesEveryReportIsThePlainOne) {
    std::mt19937 random(2424);
    long picked_words = 0;  // so that the check is not vacuous
    for (int round = 0; round < testing::case_count("VESK_COLOUR_RUNS", 2000) && !::testing::Test::HasFailure(); ++round) {
        std::uint32_t flags = round % 3 == 2 ? OPT_UTF8 : 0;
        for (std::uint32_t choice : {OPT_IGNORE_CASE, OPT_SQUEEZE_BLANKS, OPT_INLINE_WORDS, OPT_INLINE_REPLACE,
                                     OPT_TAB_STOP, OPT_UNIFIED})
            if (random() % 3 == 0) flags |= choice;
        const std::int32_t context = random() % 3 == 0 ? static_cast<std::int32_t>(1 + random() % 3) : 0;
        if (context != 0) flags = (flags | OPT_CONTEXT) & ~OPT_UNIFIED;
        const std::vector<std::string> lines = random_file(random, PIECES[round % 3], false);
        const std::vector<std::string> first = with_newlines(lines);
        const std::vector<std::string> second = with_newlines(random_file(random, PIECES[round % 3], true, lines));
        Options options = testing::options_with(flags, context, 4);
        options.labels[0] = "a", options.labels[1] = "b";  // the unified report's header without file times
        testing::HandRun plain(options, first, second);
        options.flags |= OPT_COLOR;
        testing::HandRun coloured(options, first, second);
        // A long line under -t ends the run with its message: that too must match.
        for (testing::HandRun* run : {&plain, &coloured}) try {
                run_phases(run->comparison);
            } catch (const RunEnded&) {
            }
        SCOPED_TRACE(coloured.out.captured());
        EXPECT_EQ(without_escapes(coloured.out.captured()), plain.out.captured());
        picked_words += coloured.out.captured().find("\x1b[7;3") != std::string::npos;
    }
    EXPECT_GT(picked_words, testing::case_count("VESK_COLOUR_RUNS", 2000) / 10);
}

}  // namespace
}  // namespace vesk
