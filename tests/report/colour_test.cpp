// Colour on generated runs of every report: without its escape sequences the
// coloured report is the plain one, byte for byte, and every coloured line
// closes its colour before its newline.
#include <gtest/gtest.h>

#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "driver/phases.h"
#include "report_fixture.h"

namespace vesk {
namespace {

std::string without_escapes(const std::string& text) {
    std::string plain;
    for (std::size_t at = 0; at < text.size(); ++at) {
        if (text[at] != '\x1b') {
            plain += text[at];
            continue;
        }
        const std::size_t end = text.find('m', at);
        EXPECT_TRUE(end != std::string::npos && text[at + 1] == '[' &&
                    text.find_first_not_of("0123456789;", at + 2) == end)
            << "a stray escape at " << at;
        at = end;
    }
    return plain;
}

// A line that holds an escape opens with one and ends with the reset.
void expect_lines_closed(const std::string& report) {
    for (std::size_t start = 0, end; start < report.size(); start = end + 1) {
        end = report.find('\n', start);
        ASSERT_NE(end, std::string::npos);
        const std::string line = report.substr(start, end - start);
        if (line.find('\x1b') == std::string::npos) continue;
        EXPECT_TRUE(line.starts_with("\x1b[") && line.ends_with("\x1b[0m")) << line;
    }
}

const std::vector<std::string> PIECES[] = {
    {"foo", "Bar", "bar_baz", "12", "(", ")", ";", " ", "  ", "\t", "X", "x", "\f"},
    {"\x8d\xa1\x93\xfa", "\x82\xcd", "\x90\xb0\x82\xea", "\x82\xc5\x82\xb7", "\x81\x42", "\x89\x4a", " ", "a", "A"},
    {"今日", "は", "晴れ", "です", "。", "雨", "カタカナ", " ", "a", "A", "e\u0301", "\t"},
};

std::vector<std::string> random_file(std::mt19937& random, const std::vector<std::string>& pieces) {
    std::vector<std::string> lines(random() % 7);
    for (std::string& line : lines) {
        for (std::size_t count = random() % 8; count > 0; --count) line += pieces[random() % pieces.size()];
        line += '\n';
    }
    return lines;
}

// The first file's lines, some edited by a piece, some dropped, some added.
std::vector<std::string> edited(std::vector<std::string> lines, std::mt19937& random,
                                const std::vector<std::string>& pieces) {
    for (std::string& line : lines)
        if (random() % 2 == 0) line.insert(random() % line.size(), pieces[random() % pieces.size()]);
    if (!lines.empty() && random() % 3 == 0) lines.erase(lines.begin() + static_cast<long>(random() % lines.size()));
    if (random() % 3 == 0) lines.insert(lines.begin() + static_cast<long>(random() % (lines.size() + 1)), "new\n");
    return lines;
}

std::string report_of(const std::vector<std::string>& first, const std::vector<std::string>& second, Options options) {
    testing::HandRun hand(options, first, second);
    run_phases(hand.comparison);
    return hand.out.captured();
}

TEST(Colour, WithoutItsEscapesEveryReportIsThePlainOne) {
    const char* asked = std::getenv("VESK_COLOUR_RUNS");
    const long runs = asked != nullptr ? std::atol(asked) : 2000;
    std::mt19937 random(2424);
    const std::uint32_t choices[] = {OPT_IGNORE_CASE, OPT_SQUEEZE_BLANKS, OPT_INLINE_WORDS, OPT_INLINE_REPLACE,
                                     OPT_TAB_STOP};
    long picked_words = 0;  // so that the check is not vacuous
    for (long run = 0; run < runs && !::testing::Test::HasFailure(); ++run) {
        const std::vector<std::string>& pieces = PIECES[run % 3];
        std::uint32_t flags = run % 3 == 2 ? OPT_UTF8 : 0;
        for (std::uint32_t choice : choices)
            if (random() % 3 == 0) flags |= choice;
        const std::int32_t context = random() % 3 == 0 ? static_cast<std::int32_t>(1 + random() % 3) : 0;
        if (context != 0) flags |= OPT_CONTEXT;
        const std::vector<std::string> first = random_file(random, pieces);
        const std::vector<std::string> second = edited(first, random, pieces);
        const std::string plain = report_of(first, second, testing::options_with(flags, context, 4));
        const std::string coloured = report_of(first, second, testing::options_with(flags | OPT_COLOR, context, 4));
        SCOPED_TRACE(coloured);
        EXPECT_EQ(without_escapes(coloured), plain);
        expect_lines_closed(coloured);
        picked_words += coloured.find("\x1b[7;3") != std::string::npos;
    }
    EXPECT_GT(picked_words, runs / 10);
}

}  // namespace
}  // namespace vesk
