// The unified report is exact: applied to the first file by patch -F0 and by
// git apply, it gives the second byte for byte, at 0, 1, 3 and 7 lines of
// context, for generated pairs (repeated lines, lines of 4,095 bytes and more,
// missing last newlines, empty files, colliding fingerprints) and real sources.
// Reports are made in-process; each tool runs once on one patch of all pairs.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "driver/run.h"
#include "e2e/e2e_harness.h"
#include "long_runs.h"

namespace vesk {
namespace {

struct FilePair {
    std::string first, second;
};

std::vector<FilePair> generated_pairs(int count) {
    std::mt19937 random(23);
    auto below = [&random](std::size_t bound) { return random() % bound; };
    std::vector<std::string> pool = {"a", "b", "", "a", "x y", "\tz", "\f", "\x82\xa0", "}", "c"};
    // Long lines share their first pieces.
    for (std::size_t length : {4094, 4095, 4096, 8190, 8191, 9000})
        for (char last : {'1', '2'}) pool.push_back(std::string(length - 1, 'w') + last);
    // Bytes swapped between columns k and k + 256, which weigh the same.
    for (std::size_t at : {3, 8500}) {
        std::string line(9000, 'q');
        line[at] = 'A';
        pool.push_back(line);
        std::swap(line[at], line[at + 256]);
        pool.push_back(line);
    }
    auto drawn = [&]() { return pool[below(4) != 0 ? below(10) : below(pool.size())]; };
    auto text = [&](std::vector<std::string> lines) {
        std::string bytes;
        for (const std::string& line : lines) bytes += line + "\n";
        if (!bytes.empty() && below(3) == 0 && !lines.back().empty()) bytes.pop_back();
        return bytes;
    };
    std::vector<FilePair> pairs;
    while (pairs.size() < static_cast<std::size_t>(count)) {
        std::vector<std::string> first(below(12));
        for (std::string& line : first) line = drawn();
        std::vector<std::string> second = first;
        for (std::size_t edits = below(4), at; edits > 0; --edits)
            if ((at = below(second.size() + 1)) == second.size() || below(2) == 0)
                second.insert(second.begin() + static_cast<std::ptrdiff_t>(at), drawn());
            else
                second.erase(second.begin() + static_cast<std::ptrdiff_t>(at));
        pairs.push_back({text(first), text(second)});
    }
    return pairs;
}

TEST(UnifiedReport, PatchAndGitApplyGiveTheSecondFile) {
    std::vector<FilePair> pairs = generated_pairs(testing::case_count("VESK_UNIFIED_PAIRS", 2000));
    const char* sources[] = {"src/report/normal_report.cpp", "src/report/context_report.cpp", "src/compare/matcher.cpp",
                             "src/compare/match/run_finder.cpp", "README.md", "docs/vesk.1"};
    for (std::size_t at = 0; at + 1 < std::size(sources); ++at)
        pairs.push_back({e2e::read_bytes(std::string(VESK_SOURCE_DIR) + "/" + sources[at]),
                         e2e::read_bytes(std::string(VESK_SOURCE_DIR) + "/" + sources[at + 1])});
    e2e::ScratchDir dir;
    std::filesystem::create_directories(dir.path() + "/first");
    for (std::size_t at = 0; at < pairs.size(); ++at) {
        dir.write("first/" + std::to_string(at), pairs[at].first);
        dir.write(std::to_string(at), pairs[at].second);
    }
    for (int n : {0, 1, 3, 7}) {
        SCOPED_TRACE(::testing::Message() << "context " << n);
        std::string patch, expected;
        for (std::size_t at = 0; at < pairs.size(); ++at) {
            const std::string name = std::to_string(at), first = dir.path() + "/first/" + name;
            const std::string args[] = {"vesk", "--unified=" + std::to_string(n),
                                        "--label=a/" + name, "--label=b/" + name,
                                        first, dir.path() + "/" + name};
            const char* argv[std::size(args)];
            for (std::size_t arg = 0; arg < std::size(args); ++arg) argv[arg] = args[arg].c_str();
            Output out, err;
            ASSERT_EQ(execute(std::size(args), argv, out, err), pairs[at].first == pairs[at].second ? 0 : 1) << at;
            EXPECT_EQ(err.captured(), "");
            patch += out.captured();
            // patch writes what it makes of each file it patches, in order.
            expected += pairs[at].first != pairs[at].second ? pairs[at].second : "";
        }
        dir.write("patch", patch);
        const std::string to_patch =
            "cd '" + dir.path() + "/first' && patch -F0 -p1 -s -f -o '" + dir.path() + "/patched' < ../patch";
        ASSERT_EQ(std::system(to_patch.c_str()), 0);
        EXPECT_TRUE(e2e::read_bytes(dir.path() + "/patched") == expected) << "patch -F0";
        // Without context git apply places a hunk by its line numbers only as a
        // hint, and may take a line that reads alike for the one meant (a last
        // line without a newline after the same text with one).
        if (n == 0) continue;
        std::filesystem::remove_all(dir.path() + "/work");
        std::filesystem::copy(dir.path() + "/first", dir.path() + "/work");
        const std::string to_apply = "cd '" + dir.path() + "/work' && git apply -p1 --whitespace=nowarn < ../patch";
        ASSERT_EQ(std::system(to_apply.c_str()), 0);
        for (std::size_t at = 0; at < pairs.size(); ++at)
            ASSERT_EQ(e2e::read_bytes(dir.path() + "/work/" + std::to_string(at)), pairs[at].second) << at;
    }
}

}  // namespace
}  // namespace vesk
