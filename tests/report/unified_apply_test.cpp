// The unified report is exact: applied by patch -F0 and by git apply to the
// first file, it gives the second byte for byte, for generated pairs (repeated
// lines, lines of 4,095 bytes and more, missing last newlines, empty files,
// lines whose fingerprints collide) and real sources, at 0, 1, 3 and 7 lines of
// context; and its hunks hold exactly the context the rules give them. The
// reports are made in-process, all pairs of one context go into one patch, and
// each tool runs once per patch.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "driver/run.h"
#include "e2e/e2e_harness.h"

namespace vesk {
namespace {

namespace fs = std::filesystem;

// A long line of `length` bytes whose last byte is `last` (so that two of them
// differ in their last piece), without its newline.
std::string long_line(std::size_t length, char last) {
    std::string line;
    for (std::size_t at = 0; line.size() + 1 < length; ++at) line += static_cast<char>('a' + at % 23);
    return line + last;
}

// Two lines with one fingerprint: bytes swapped between columns k and k + 256,
// which weigh the same.
std::string colliding(std::size_t length, std::size_t at, char one, char other) {
    std::string line(length, 'q');
    line[at] = one;
    line[at + 256] = other;
    return line;
}

std::vector<std::string> line_pool() {
    std::vector<std::string> pool = {"a", "b", "c", "", "a", "x y", "\tz", "\f", "\x82\xa0\x93\xfa", "}"};
    for (std::size_t length : {4094, 4095, 4096, 8190, 8191, 9000})
        for (char last : {'1', '2'}) pool.push_back(long_line(length, last));
    pool.push_back(colliding(300, 3, 'A', 'B'));
    pool.push_back(colliding(300, 3, 'B', 'A'));
    pool.push_back(colliding(9000, 8500, 'A', 'B'));  // in the last piece
    pool.push_back(colliding(9000, 8500, 'B', 'A'));
    return pool;
}

// Lines drawn mostly from the short ones, so that lines repeat.
struct PairMaker {
    std::mt19937 random;
    std::vector<std::string> pool = line_pool();

    std::size_t below(std::size_t bound) { return random() % bound; }
    const std::string& drawn() { return pool[below(4) != 0 ? below(10) : below(pool.size())]; }

    std::vector<std::string> lines(std::size_t count) {
        std::vector<std::string> drawn_lines;
        while (drawn_lines.size() < count) drawn_lines.push_back(drawn());
        return drawn_lines;
    }
    std::vector<std::string> edited(std::vector<std::string> lines) {
        for (std::size_t edits = below(4); edits > 0; --edits) {
            const std::size_t at = below(lines.size() + 1);
            switch (below(3)) {
                case 0: lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(at), drawn()); break;
                case 1: if (at < lines.size()) lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(at)); break;
                default: if (at < lines.size()) lines[at] = drawn(); break;
            }
        }
        return lines;
    }
    // The file's bytes; its last line sometimes without a newline.
    std::string bytes(const std::vector<std::string>& lines) {
        std::string text;
        for (const std::string& line : lines) text += line + "\n";
        if (!text.empty() && below(3) == 0 && !lines.back().empty()) text.pop_back();
        return text;
    }
};

struct FilePair {
    std::string first, second;
};

std::vector<FilePair> generated_pairs(std::size_t count) {
    PairMaker make{std::mt19937(23)};
    std::vector<FilePair> pairs;
    while (pairs.size() < count) {
        std::vector<std::string> first = make.lines(make.below(12));
        std::vector<std::string> second = make.below(8) == 0 ? make.lines(make.below(5)) : make.edited(first);
        pairs.push_back({make.bytes(first), make.bytes(second)});
    }
    return pairs;
}

// Real sources against each other, and a source against itself with a few
// lines taken out and moved.
std::vector<FilePair> source_pairs() {
    const char* names[] = {"src/report/normal_report.cpp", "src/report/context_report.cpp", "src/driver/command_line.cpp",
                           "src/compare/matcher.cpp", "src/compare/run_finder.cpp", "README.md", "docs/vesk.1"};
    std::vector<std::string> texts;
    for (const char* name : names) texts.push_back(e2e::read_bytes(std::string(VESK_SOURCE_DIR) + "/" + name));
    std::vector<FilePair> pairs;
    for (std::size_t at = 0; at + 1 < texts.size(); ++at) pairs.push_back({texts[at], texts[at + 1]});
    std::string moved = texts[4];
    const std::size_t cut = moved.find("\n\n", moved.size() / 3), paste = moved.find("\n}\n", moved.size() / 2);
    moved.insert(paste + 3, moved.substr(cut + 1, 400));
    moved.erase(cut + 1, 200);
    pairs.push_back({texts[4], moved});
    return pairs;
}

std::size_t pair_count() {
    const char* asked = std::getenv("VESK_UNIFIED_PAIRS");
    return asked != nullptr ? std::strtoul(asked, nullptr, 10) : 2000;
}

int run_in_process(std::vector<std::string> args, std::string& report) {
    args.insert(args.begin(), "vesk");
    std::vector<const char*> argv;
    for (const std::string& arg : args) argv.push_back(arg.c_str());
    Output out, err;
    const int status = execute(static_cast<int>(argv.size()), argv.data(), out, err);
    report = out.captured();
    EXPECT_EQ(err.captured(), "");
    return status;
}

std::vector<std::string> split_lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream stream(text);
    for (std::string line; std::getline(stream, line);) lines.push_back(line);
    return lines;
}

// Reads "-S[,C]" or "+S[,C]" at `at`: the 1-based first line of the range (the
// line after S when C is 0) and C.
std::pair<long, long> read_range(const std::string& header, std::size_t at) {
    std::size_t used = 0;
    const long start = std::stol(header.substr(at + 1), &used);
    long count = 1;
    if (header[at + 1 + used] == ',') count = std::stol(header.substr(at + 2 + used));
    return {count == 0 ? start + 1 : start, count};
}

// The context each hunk holds: up to n common lines around its changes, all
// of them where fewer stand before the first change or after the last one;
// two hunks apart only when more than 2n common lines lie between their
// changes; no "-" after a "+" without a common line between; the counts of
// the header. `lines1` is the first file's number of lines.
void expect_hunk_shape(const std::string& report, long n, long lines1) {
    std::vector<std::string> lines = split_lines(report);
    long previous_end = 0, previous_trailing = n;
    for (std::size_t at = 2; at < lines.size();) {
        const std::string& header = lines[at++];
        ASSERT_TRUE(header.starts_with("@@ -") && header.ends_with(" @@")) << header;
        auto [start1, count1] = read_range(header, 3);
        auto [start2, count2] = read_range(header, header.find(" +") + 1);
        long leading = 0, trailing = 0, shown1 = 0, shown2 = 0;
        bool changed = false, added = false;
        for (; at < lines.size() && !lines[at].starts_with("@@"); ++at) {
            const char marker = lines[at][0];
            if (marker == '\\') continue;
            shown1 += marker != '+';
            shown2 += marker != '-';
            if (marker == ' ') {
                (changed ? trailing : leading) += 1;
                added = false;
                continue;
            }
            EXPECT_FALSE(changed && trailing > 2 * n) << "common lines inside a hunk: " << trailing;
            EXPECT_FALSE(marker == '-' && added) << header;
            added = marker == '+';
            changed = true;
            trailing = 0;
        }
        EXPECT_TRUE(changed) << header;
        EXPECT_EQ(shown1, count1) << header;
        EXPECT_EQ(shown2, count2) << header;
        EXPECT_LE(leading, n);
        EXPECT_LE(trailing, n);
        // Lines between two hunks: more than 2n common lines between their changes.
        EXPECT_TRUE(previous_end == 0 || (leading == n && previous_trailing == n && start1 > previous_end)) << header;
        EXPECT_TRUE(leading == n || start1 == 1) << header;
        previous_end = start1 + count1 - 1;
        previous_trailing = trailing;
    }
    EXPECT_TRUE(previous_trailing == n || previous_end == lines1) << previous_end;
}

long line_count(const std::string& text) {
    return static_cast<long>(std::count(text.begin(), text.end(), '\n')) + (!text.empty() && text.back() != '\n');
}

TEST(UnifiedReport, PatchAndGitApplyGiveTheSecondFile) {
    e2e::ScratchDir dir;
    std::vector<FilePair> pairs = generated_pairs(pair_count());
    for (FilePair& pair : source_pairs()) pairs.push_back(std::move(pair));
    fs::create_directories(dir.path() + "/first");
    fs::create_directories(dir.path() + "/second");
    for (std::size_t at = 0; at < pairs.size(); ++at) {
        const std::string name = "p" + std::to_string(at);
        dir.write("first/" + name, pairs[at].first);
        dir.write("second/" + name, pairs[at].second);
    }
    for (long n : {0, 1, 3, 7}) {
        SCOPED_TRACE(::testing::Message() << "context " << n);
        std::string patch;
        for (std::size_t at = 0; at < pairs.size(); ++at) {
            const std::string name = "p" + std::to_string(at), from = dir.path() + "/first/" + name;
            std::string report;
            const int status = run_in_process({"--unified=" + std::to_string(n), "--label=a/" + name, "--label=b/" + name, from, dir.path() + "/second/" + name},
                                              report);
            ASSERT_EQ(status, pairs[at].first == pairs[at].second ? 0 : 1) << name;
            EXPECT_TRUE(status == 1 || report.empty()) << name;
            if (status == 1) expect_hunk_shape(report, n, line_count(pairs[at].first));
            if (::testing::Test::HasFailure()) FAIL() << name << "\n" << report;
            patch += report;
        }
        dir.write("patch", patch);
        // Without context git apply places a hunk by its line numbers only as
        // a hint, and may take a line that reads alike for the one meant (a
        // last line without a newline after the same text with one).
        for (const std::string tool : {"patch -F0 -p1 -s -f", "git apply -p1"}) {
            if (n == 0 && tool.starts_with("git")) continue;
            SCOPED_TRACE(tool);
            fs::remove_all(dir.path() + "/work");
            fs::copy(dir.path() + "/first", dir.path() + "/work", fs::copy_options::recursive);
            const std::string command = "cd '" + dir.path() + "/work' && " + tool + " < ../patch > ../log 2>&1";
            ASSERT_EQ(std::system(command.c_str()), 0) << e2e::read_bytes(dir.path() + "/log");
            for (std::size_t at = 0; at < pairs.size(); ++at)
                ASSERT_EQ(e2e::read_bytes(dir.path() + "/work/p" + std::to_string(at)), pairs[at].second) << at;
        }
    }
}

}  // namespace
}  // namespace vesk
