#include "compare/line_scan.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "compare/fingerprint.h"
#include "model/options.h"

namespace vesk {
namespace {

constexpr ScanWidth kWidths[] = {ScanWidth::bytes1, ScanWidth::bytes16, ScanWidth::bytes32};
constexpr std::uint32_t kFlagSets[] = {0, OPT_IGNORE_CASE, OPT_SQUEEZE_BLANKS, OPT_IGNORE_CASE | OPT_SQUEEZE_BLANKS};

// The bytes with room behind them for what a scan may read past its window.
std::vector<char> with_slack(const std::string& bytes) {
    std::vector<char> buffer(bytes.begin(), bytes.end());
    buffer.resize(bytes.size() + kScanOverread, 'z');
    return buffer;
}

std::optional<InPlaceLine> scanned(ScanWidth width, const std::string& bytes, std::size_t window, std::uint32_t flags) {
    std::vector<char> buffer = with_slack(bytes);
    return scan_in_place_line_with(width, buffer.data(), window, flags);
}

struct ScanCase {
    const char* name;
    std::string bytes;
    std::size_t window;
    std::optional<std::size_t> length;  // nothing: the line cannot stay in place
};

TEST(LineScan, TakesOnlyLinesThatNeedNoTextModeRule) {
    const ScanCase cases[] = {
        {"plain line", "ab\nc", 4, 3},
        {"empty line", "\nc", 2, 1},
        {"tab, form feed and escape stay", "a\t\f\x1b" "b\n", 6, 6},
        {"high bytes stay", "\x82\xa0\xff\n", 4, 4},
        {"newline just inside the window", "abc\n", 4, 4},
        {"newline past the window", "abc\n", 3, std::nullopt},
        {"no newline at all", "abc", 3, std::nullopt},
        {"empty window", "\n", 0, std::nullopt},
        {"carriage return", "a\r\n", 3, std::nullopt},
        {"NUL", std::string("a\0b\n", 4), 4, std::nullopt},
        {"Ctrl-Z", "a\x1a\n", 3, std::nullopt},
        {"control byte that is not text", "a\x01\n", 3, std::nullopt},
        {"stop byte after the newline counts not", "ab\n\x01", 4, 3},
        {"long line", std::string(40, 'x') + "\n", 41, 41},
    };
    for (ScanWidth width : kWidths) {
        if (!processor_has(width)) continue;
        for (const ScanCase& c : cases) {
            std::optional<InPlaceLine> line = scanned(width, c.bytes, c.window, 0);
            ASSERT_EQ(line.has_value(), c.length.has_value()) << c.name << " width " << static_cast<int>(width);
            if (!line) continue;
            EXPECT_EQ(line->length, *c.length) << c.name;
            EXPECT_EQ(line->fingerprint, compute_fingerprint(c.bytes.substr(0, *c.length), 0).value()) << c.name;
        }
    }
}

// Every width gives the fingerprint of the line on its own, for lines of every
// length around the block sizes and past the 256 columns of the weights, under
// every option.
TEST(LineScan, EveryWidthFingerprintsAsTheLineAlone) {
    std::mt19937 random(7);
    const char alphabet[] = "aZ \t\f\x1b\x82\xa1\xff~";
    for (int round = 0; round < 3000; ++round) {
        std::size_t length = random() % (round % 10 == 0 ? 600 : 100);
        std::string line;
        for (std::size_t at = 0; at < length; ++at) line += alphabet[random() % (sizeof alphabet - 1)];
        line += '\n';
        std::string bytes = line + "next\n";
        std::uint32_t flags = kFlagSets[random() % std::size(kFlagSets)];
        std::uint32_t expected = compute_fingerprint(line, flags).value();
        for (ScanWidth width : kWidths) {
            if (!processor_has(width)) continue;
            std::optional<InPlaceLine> found = scanned(width, bytes, std::min<std::size_t>(bytes.size(), 4095), flags);
            ASSERT_TRUE(found) << round;
            EXPECT_EQ(found->length, line.size()) << round;
            ASSERT_EQ(found->fingerprint, expected) << round << " width " << static_cast<int>(width) << " flags " << flags;
        }
    }
}

}  // namespace
}  // namespace vesk
