// Random pairs through both forms: whatever the bytes, a rewritten line keeps
// the rules of the display (checked here, not its exact output).
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "report/inline_display.h"

namespace vesk {
namespace {

// Bytes that stress the walks: blanks, tabs, newlines, letters of both cases,
// lead bytes, second bytes that look like ASCII, half-width katakana.
const std::string kAlphabet = std::string(" \t\nAaZz09._;+\x5c\x40\x7e\xa1\xdf\x82\xcd\xea\x83\x41\x95\xe0\xfc", 25);

std::string random_text(std::mt19937& random, std::size_t max_length) {
    std::string text(random() % (max_length + 1), ' ');
    for (char& byte : text) byte = kAlphabet[random() % kAlphabet.size()];
    return text;
}

// The partner of a line: the line with a random stretch replaced, or a new line.
std::string random_partner(std::mt19937& random, const std::string& line) {
    if (line.empty() || random() % 4 == 0) return random_text(random, 60);
    std::size_t at = random() % line.size();
    std::size_t cut = random() % (line.size() - at + 1);
    return line.substr(0, at) + random_text(random, 8) + line.substr(at + cut);
}

// Each byte of the result is its original byte or a blank; a tab is never
// blanked; a double-byte character of the original is kept whole or blanked whole.
void expect_rewritten(const std::string& original, const std::string& result, const std::string& label) {
    ASSERT_LE(result.size(), original.size()) << label;
    for (std::size_t at = 0; at < result.size(); ++at) {
        if (starts_double_byte(original.c_str(), at)) {
            ASSERT_LT(at + 1, result.size()) << label << ": cut inside a character";
            bool kept = result.compare(at, 2, original, at, 2) == 0;
            EXPECT_TRUE(kept || result.compare(at, 2, "  ") == 0) << label << " at " << at;
            ++at;
            continue;
        }
        if (original[at] == '\t') {
            EXPECT_EQ(result[at], '\t') << label << " at " << at;
        }
        EXPECT_TRUE(result[at] == original[at] || result[at] == ' ') << label << " at " << at;
    }
}

TEST(InlineDisplayRules, RandomPairsKeepTheRewritingRules) {
    std::mt19937 random(12345);
    const std::uint32_t flag_sets[] = {0, OPT_IGNORE_CASE, OPT_SQUEEZE_BLANKS, OPT_IGNORE_CASE | OPT_SQUEEZE_BLANKS};
    for (int round = 0; round < 4000; ++round) {
        std::string a = random_text(random, 60), b = random_partner(random, a);
        std::uint32_t flags = flag_sets[round % 4];
        std::string words_a = a, words_b = b;
        show_pair_in_words(words_a.data(), words_b.data(), flags);
        expect_rewritten(a, words_a, "words a #" + std::to_string(round));
        expect_rewritten(b, words_b, "words b #" + std::to_string(round));

        std::string replaced_a = a, replaced_b = b;
        bool replaced = show_pair_replaced(replaced_a.data(), replaced_b.data(), flags);
        replaced_a.resize(std::char_traits<char>::length(replaced_a.c_str()));
        replaced_b.resize(std::char_traits<char>::length(replaced_b.c_str()));
        expect_rewritten(a, replaced_a, "replaced a #" + std::to_string(round));
        expect_rewritten(b, replaced_b, "replaced b #" + std::to_string(round));
        // Only the replacement form cuts a line short, and it never applies to equal lengths.
        if (!replaced) {
            EXPECT_EQ(replaced_a.size(), a.size()) << round;
        }
        if (a.size() == b.size()) {
            EXPECT_FALSE(replaced) << round;
        }
        if (::testing::Test::HasFailure()) return;
    }
}

}  // namespace
}  // namespace vesk
