// Under a capped address space, every run ends either with an out-of-memory
// message and status 1 before any report, or with the full report: never an
// abort, never part of a report. bench/memory-cap-sweep does the same on large
// files, up to the caps they need.
#include <sys/wait.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <regex>
#include <string>

#include "e2e/e2e_harness.h"

namespace vesk::e2e {
namespace {

std::string read_file(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

// vesk run under `ulimit -v cap_kb` (none when 0), with options and then a b, in dir.
Outcome run_capped(const ScratchDir& dir, std::size_t cap_kb, const std::string& options) {
    std::string limit = cap_kb == 0 ? "" : "ulimit -v " + std::to_string(cap_kb) + " && ";
    std::string command = "cd '" + dir.path() + "' && " + limit + "exec '" + VESK_BINARY + "' " + options +
                          " a b > out 2> err";
    int wait_status = std::system(("sh -c \"" + command + "\"").c_str());
    Outcome outcome{read_file(dir.path() + "/out"), read_file(dir.path() + "/err")};
    outcome.status = WIFEXITED(wait_status) ? WEXITSTATUS(wait_status) : 128 + WTERMSIG(wait_status);
    return outcome;
}

TEST(MemoryCap, EveryRunEndsWithItsMessageOrTheFullReport) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "AddressSanitizer reserves far more address space than it uses";
#endif
    ScratchDir dir;
    dir.write("a", "The quick brown fox\njumps over\nthe lazy dog\n");
    dir.write("b", "The quick red fox\njumps over\nthe sleepy dog\n");
    const std::regex out_of_memory("\n?cannot get the memory of [0-9]+( K)? bytes\n");
    for (const std::string options : {"", "-x", "-c"}) {
        const Outcome full = run_capped(dir, 0, options);
        ASSERT_EQ(full.status, 1);
        for (std::size_t cap_kb = 4096; cap_kb <= 12288; cap_kb += 128) {
            const Outcome capped = run_capped(dir, cap_kb, options);
            // Below what the dynamic loader needs, vesk never starts.
            if (capped.status == 127 && capped.err.find("error while loading shared libraries") != std::string::npos)
                continue;
            if (capped == full) continue;
            EXPECT_EQ(capped.status, 1) << cap_kb << " KB " << options << ": " << capped;
            EXPECT_EQ(capped.out, "") << cap_kb << " KB " << options;
            EXPECT_TRUE(std::regex_match(capped.err, out_of_memory)) << cap_kb << " KB " << options << ": " << capped;
        }
    }
}

}  // namespace
}  // namespace vesk::e2e
