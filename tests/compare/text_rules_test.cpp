// What -i and -b make of a line, written plainly here, against the three places
// that apply it on the fly: fingerprints, the in-place line scan of every width,
// and the comparison of two line texts. Generated lines stress the rules.
#include <gtest/gtest.h>

#include <cctype>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "compare/fingerprint.h"
#include "driver/line_scan.h"
#include "compare/pair_compare.h"
#include "model/options.h"

namespace vesk {
namespace {

const std::uint32_t FLAG_SETS[] = {0, OPT_IGNORE_CASE, OPT_SQUEEZE_BLANKS, OPT_IGNORE_CASE | OPT_SQUEEZE_BLANKS,
                                   OPT_IGNORE_CASE | OPT_UTF8};

// The part of a line that the options compare, never for production: up to its
// first newline; with -i the capitals A-Z folded, but never the byte after a
// byte with the top bit set other than a one-byte katakana (0xA1-0xDF), nor the
// first byte when it is the trail byte of a character cut at a line's end
// (under --utf8 every capital is folded); with -b no blanks at its end and
// every run of spaces and tabs one space.
std::string normalised(const std::string& line, std::uint32_t flags, FirstByte first_byte = FirstByte::own) {
    std::string text = line.substr(0, line.find('\n'));
    const bool skips_trail_bytes = (flags & OPT_UTF8) == 0;
    for (std::size_t at = skips_trail_bytes && first_byte == FirstByte::trail ? 1 : 0;
         (flags & OPT_IGNORE_CASE) != 0 && at < text.size(); ++at) {
        const auto byte = static_cast<unsigned char>(text[at]);
        if (skips_trail_bytes && byte >= 0x80 && !(byte >= 0xA1 && byte <= 0xDF)) ++at;
        else if (byte >= 'A' && byte <= 'Z') text[at] = static_cast<char>(byte + 0x20);
    }
    if ((flags & OPT_SQUEEZE_BLANKS) == 0) return text;
    text.erase(text.find_last_not_of(" \t") + 1);
    std::string squeezed;
    for (std::size_t at = 0; at < text.size(); ++at) {
        const bool blank = text[at] == ' ' || text[at] == '\t';
        if (!blank || at == 0 || (text[at - 1] != ' ' && text[at - 1] != '\t')) squeezed += blank ? ' ' : text[at];
    }
    return squeezed;
}

// The fingerprint as its formula reads: the 256 primes from 211 weigh the bytes
// by column, cycling every 256 columns; a control byte but tab, form feed,
// carriage return and escape makes the line no text.
std::optional<std::uint32_t> reference_fingerprint(const std::string& line, std::uint32_t flags,
                                                   FirstByte first_byte = FirstByte::own) {
    static const std::vector<std::uint32_t> primes = [] {
        std::vector<std::uint32_t> found;
        for (std::uint32_t candidate = 211, divisor; found.size() < 256; ++candidate) {
            for (divisor = 2; divisor * divisor <= candidate && candidate % divisor != 0;) ++divisor;
            if (divisor * divisor > candidate) found.push_back(candidate);
        }
        return found;
    }();
    std::uint32_t weighted = 0, positional = 0, column = 0;
    for (unsigned char byte : normalised(line, flags, first_byte)) {
        if (byte < 0x20 && byte != '\t' && byte != '\f' && byte != '\r' && byte != 0x1B) return std::nullopt;
        weighted += primes[column] * byte;
        positional += column * byte;
        column = (column + 1) % 256;
    }
    return weighted * 256 + positional;
}

// Lines of every length up to past 256 columns, of bytes that stress the rules:
// blanks, capitals, lead bytes of both ranges, one-byte katakana, and now and
// then a byte that stops a line from staying in place or from being text.
std::string random_line(std::mt19937& random) {
    static const std::string alphabet = "aAZz  \t\t\f\x1b\x7f\x80\x82\xa0\xa1\xdf\xe0\xfc\xfd";
    std::string line(random() % (random() % 8 == 0 ? 700 : 40), 'x');
    for (char& byte : line) byte = alphabet[random() % alphabet.size()];
    if (!line.empty() && random() % 6 == 0) line[random() % line.size()] = std::string("\r\x1a\x01\x1f\0", 5)[random() % 5];
    if (random() % 4 != 0) line += '\n';
    return line;
}

TEST(Fingerprint, EveryWayOfComputingItFollowsTheFormula) {
    std::mt19937 random(7);
    for (int round = 0; round < 4000 && !::testing::Test::HasFailure(); ++round) {
        const std::string line = random_line(random);
        const std::uint32_t flags = FLAG_SETS[round % 5];
        const FirstByte first_byte = round % 3 == 0 ? FirstByte::trail : FirstByte::own;
        EXPECT_EQ(compute_fingerprint(line, Options{flags}.text_rules(), first_byte), reference_fingerprint(line, flags, first_byte))
            << round;
        // A line stays in place when its newline lies in the window and no byte
        // before it is below 0x20 but tab, form feed and escape.
        std::string bytes = line + "next\n";
        const std::size_t window = random() % 3 == 0 ? random() % (bytes.size() + 1) : bytes.size();
        const std::size_t newline = bytes.find('\n');
        const bool stays = newline < window && bytes.find_first_of(std::string("\r\x1a\x01\x1f\0", 5)) > newline;
        bytes.resize(bytes.size() + SCAN_OVERREAD, 'z');
        for (ScanWidth width : {ScanWidth::bytes1, ScanWidth::bytes16, ScanWidth::bytes32}) {
            if (!processor_has(width)) continue;
            std::optional<InPlaceLine> found = scan_in_place_line_with(width, bytes.data(), window, Options{flags}.text_rules());
            ASSERT_EQ(found.has_value(), stays) << round << " width " << static_cast<int>(width);
            if (!found) continue;
            EXPECT_EQ(found->length, newline + 1) << round;
            EXPECT_EQ(found->fingerprint, reference_fingerprint(bytes.substr(0, newline + 1), flags)) << round;
        }
    }
}

// Two texts differ exactly when one has a newline and the other none, or the
// options see different texts before it. The partners often differ only in what
// the options ignore; texts of lines left in their mapped file run on into the
// next line.
TEST(LinesDiffer, AgreesWithTheReferenceOnGeneratedPairs) {
    std::mt19937 random(11);
    const std::string alphabet = "aAzZ  \t\x80\x82\xa0\xb1\xe0";
    const char* ends[] = {"\n", "\n", " \n", "\t \n", "", " ", "\nnext", "\n  b"};
    for (int round = 0; round < 20000 && !::testing::Test::HasFailure(); ++round) {
        std::string first(random() % 8, 'x');
        for (char& byte : first) byte = alphabet[random() % alphabet.size()];
        std::string second = first;
        for (char& byte : second) {
            if (random() % 4 != 0) continue;
            if (byte == ' ' || byte == '\t') byte = " \t"[random() % 2];
            if (std::isalpha(static_cast<unsigned char>(byte))) byte = static_cast<char>(byte ^ 0x20);
        }
        if (random() % 4 == 0) second.insert(random() % (second.size() + 1), 1, random() % 2 ? ' ' : 'x');
        first += ends[random() % 8];
        second += ends[random() % 8];
        const std::uint32_t flags = FLAG_SETS[round % 5];
        const FirstByte first_byte = round % 3 == 0 ? FirstByte::trail : FirstByte::own;
        const bool differ = (first.find('\n') == std::string::npos) != (second.find('\n') == std::string::npos) ||
                            normalised(first, flags, first_byte) != normalised(second, flags);
        EXPECT_EQ(lines_differ({first.c_str(), first_byte}, second.c_str(), Options{flags}.text_rules()), differ)
            << "\"" << first << "\" against \"" << second << "\" flags " << flags;
    }
}

// Where a piece of a line cut at 4,095 bytes ends between the two bytes of a
// character: the next piece then opens on its trail byte.
TEST(CutCharacter, APieceEndsOnALeadByteWhenItsTrailByteIsLeftOver) {
    const std::tuple<const char*, FirstByte, bool> rows[] = {
        {"ab\x83", FirstByte::own, true},       {"\x83\x83", FirstByte::own, false},  // one whole character
        {"\x83\x83\x83", FirstByte::own, true},  {"\x83", FirstByte::trail, false},    // the trail byte of the cut one
        {"A\x83", FirstByte::trail, true},      {"a\xB1", FirstByte::own, false},      // one-byte katakana
        {"a\x80", FirstByte::own, true},        {"abc", FirstByte::own, false},
    };
    for (auto [piece, first_byte, ends_on_lead] : rows) EXPECT_EQ(ends_on_lead_byte(piece, first_byte), ends_on_lead) << piece;
}

}  // namespace
}  // namespace vesk
