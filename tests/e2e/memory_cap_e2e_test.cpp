// Under a capped address space, every run ends either with an out-of-memory
// message and status 1 before any report, or with the full report: never an
// abort, never part of a report. bench/memory-cap-sweep does the same on large
// files, up to the caps they need.
#include <gtest/gtest.h>

#include <regex>
#include <string>

#include "e2e/e2e_harness.h"

namespace vesk::e2e {
namespace {

TEST(MemoryCap, EveryRunEndsWithItsMessageOrTheFullReport) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "AddressSanitizer reserves far more address space than it uses";
#endif
    ScratchDir dir;
    dir.write("a", "The quick brown fox\njumps over\nthe lazy dog\n");
    dir.write("b", "The quick red fox\njumps over\nthe sleepy dog\n");
    const std::regex out_of_memory("\n?cannot get the memory of [0-9]+( K)? bytes\n");
    for (const std::string option : {"", "-x", "-c"}) {
        const std::vector<std::string> args = option.empty() ? std::vector<std::string>{"a", "b"}
                                                             : std::vector<std::string>{option, "a", "b"};
        const Outcome full = run_vesk(dir, args);
        ASSERT_EQ(full.status, 1);
        for (std::size_t cap_kb = 4096; cap_kb <= 12288; cap_kb += 128) {
            const Outcome capped = run_vesk(dir, args, {.address_space_kb = cap_kb});
            // Below what the dynamic loader needs, vesk never starts (the loader
            // fails mapping the libraries or the first thread's TLS).
            if (capped.status == 127 && (capped.err.find("error while loading shared libraries") != std::string::npos ||
                                         capped.err.find("cannot allocate TLS") != std::string::npos))
                continue;
            if (capped == full) continue;
            EXPECT_EQ(capped.status, 1) << cap_kb << " KB " << option << ": " << capped;
            EXPECT_EQ(capped.out, "") << cap_kb << " KB " << option;
            EXPECT_TRUE(std::regex_match(capped.err, out_of_memory)) << cap_kb << " KB " << option << ": " << capped;
        }
    }
}

}  // namespace
}  // namespace vesk::e2e
