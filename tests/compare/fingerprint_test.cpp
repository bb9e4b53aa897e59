#include "compare/fingerprint.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "model/options.h"

namespace vesk {
namespace {

std::uint32_t fingerprint_of(const std::string& line, std::uint32_t flags = 0) {
    auto fingerprint = compute_fingerprint(line, flags);
    EXPECT_TRUE(fingerprint.has_value()) << line;
    return fingerprint.value_or(0xDEADBEEF);
}

TEST(Fingerprint, WeighsEachByteByItsColumnsPrime) {
    // "a": A = 211 * 97, B = 0.
    EXPECT_EQ(fingerprint_of("a\n"), 211u * 97u * 256u);
    // "ab": A = 211 * 97 + 223 * 98, B = 1 * 98.
    EXPECT_EQ(fingerprint_of("ab"), (211u * 97u + 223u * 98u) * 256u + 98u);
    // Column 255 weighs with the last prime, 1997; column 256 starts again at
    // 211 and at column 0 for the second sum. The sums are linear, so appending
    // "bc" after 255 bytes adds exactly the weights of those two columns.
    std::string head(255, '\x7F');
    EXPECT_EQ(fingerprint_of(head + "bc") - fingerprint_of(head), ((1997u * 'b' + 211u * 'c') << 8) + 255u * 'b');
}

// The fingerprint as its formula reads, byte by byte: never for production.
std::uint32_t reference_fingerprint(const std::string& line) {
    std::vector<std::uint32_t> primes;
    for (std::uint32_t candidate = 211; primes.size() < 256; ++candidate) {
        bool prime = true;
        for (std::uint32_t divisor = 2; divisor * divisor <= candidate; ++divisor) prime = prime && candidate % divisor;
        if (prime) primes.push_back(candidate);
    }
    std::uint32_t weighted = 0, positional = 0, column = 0;
    for (unsigned char byte : line) {
        if (byte == '\n') break;
        weighted += primes[column] * byte;
        positional += column * byte;
        column = (column + 1) % 256;
    }
    return weighted * 256 + positional;
}

TEST(Fingerprint, BlockwiseSumsEqualTheByteWiseFormula) {
    std::mt19937 random(7);
    const char allowed_controls[] = {'\t', '\x0C', '\r', '\x1B'};
    for (int round = 0; round < 3000; ++round) {
        std::string line(random() % 700, 'x');
        for (char& byte : line) byte = static_cast<char>(0x20 + random() % 0xE0);
        // Some lines hold control bytes that are allowed, at random places.
        for (int count = random() % 4; count > 0 && !line.empty(); --count)
            line[random() % line.size()] = allowed_controls[random() % 4];
        if (random() % 2) line += '\n';
        ASSERT_EQ(fingerprint_of(line), reference_fingerprint(line)) << "round " << round;
    }
}

TEST(Fingerprint, EmptyAndBlankLinesAreZero) {
    EXPECT_EQ(fingerprint_of(""), 0u);
    EXPECT_EQ(fingerprint_of("\n"), 0u);
    EXPECT_EQ(fingerprint_of(" \t  \n", OPT_SQUEEZE_BLANKS), 0u);
    EXPECT_NE(fingerprint_of(" \t  \n"), 0u);
}

struct PairCase {
    const char* name;
    std::string first;
    std::string second;
    std::uint32_t flags;
    bool equal;
};

TEST(Fingerprint, EqualitiesUnderTheOptions) {
    const PairCase cases[] = {
        {"missing newline", "abc", "abc\n", 0, true},
        {"blank run as one", "a b\n", "a\tb\n", OPT_SQUEEZE_BLANKS, true},
        {"mixed blank run", "a b\n", "a \t  b\n", OPT_SQUEEZE_BLANKS, true},
        {"blank runs differ without -b", "a b\n", "a\tb\n", 0, false},
        {"trailing blank stripped", "a \n", "a\n", OPT_SQUEEZE_BLANKS, true},
        {"leading blank counts", " a\n", "a\n", OPT_SQUEEZE_BLANKS, false},
        {"case folded", "ABC\n", "abc\n", OPT_IGNORE_CASE, true},
        {"case kept", "ABC\n", "abc\n", 0, false},
        {"trail byte 0x41 not folded", "\x82\x41\n", "\x82\x61\n", OPT_IGNORE_CASE, false},
        {"one-byte katakana is no lead", "\xB1" "A\n", "\xB1" "a\n", OPT_IGNORE_CASE, true},
        // アイウ against ヂツテ: their second bytes differ only by 0x20.
        {"katakana trail bytes", "\x83\x41\x83\x43\x83\x45\n", "\x83\x61\x83\x63\x83\x65\n", OPT_IGNORE_CASE, false},
        {"both options", "A  B \n", "a b\n", OPT_IGNORE_CASE | OPT_SQUEEZE_BLANKS, true},
        // ト in UTF-8 ends in 0x88, which Shift-JIS folding takes for a lead byte.
        {"--utf8 folds after any character", "\xE3\x83\x88" "A\n", "\xE3\x83\x88" "a\n", OPT_IGNORE_CASE | OPT_UTF8, true},
        {"without --utf8 0x88 leads", "\xE3\x83\x88" "A\n", "\xE3\x83\x88" "a\n", OPT_IGNORE_CASE, false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(fingerprint_of(c.first, c.flags) == fingerprint_of(c.second, c.flags), c.equal) << c.name;
}

TEST(Fingerprint, ExchangingCharactersAtTheSameColumnCollides) {
    std::string first(300, 'm'), second(300, 'm');
    first[10] = 'x';
    first[266] = 'y';
    second[10] = 'y';
    second[266] = 'x';
    EXPECT_EQ(fingerprint_of(first), fingerprint_of(second));
}

TEST(Fingerprint, RejectsControlBytesButTabFormFeedCarriageReturnAndEscape) {
    for (int byte = 0; byte < 0x20; ++byte) {
        std::string line = std::string("ab") + static_cast<char>(byte) + "c\n";
        bool accepted = byte == 0x09 || byte == 0x0A || byte == 0x0C || byte == 0x0D || byte == 0x1B;
        for (std::uint32_t flags : {0u, OPT_SQUEEZE_BLANKS | OPT_IGNORE_CASE})
            EXPECT_EQ(compute_fingerprint(line, flags).has_value(), accepted) << "byte " << byte;
    }
    EXPECT_TRUE(compute_fingerprint("\x7F\x80\xFF\n", 0).has_value());
}

}  // namespace
}  // namespace vesk
