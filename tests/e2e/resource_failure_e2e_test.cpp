// When memory or the output fails. Under a capped address space, every run ends
// either with an out-of-memory message and status 1 before any report, or with
// the full report: never an abort, never part of a report (bench/memory-cap-sweep
// does the same on large files, up to the caps they need). A report that cannot
// be written must not end as if it had been.
#include <gtest/gtest.h>

#include <csignal>
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

using Stdout = Setup::Stdout;

TEST(OutputFailure, EndsWithWriteErrorAndStatusTwo) {
    ScratchDir dir;
    dir.write("a", "one\n");
    dir.write("b", "two\n");
    // More than the output buffer holds, so that the failure comes mid-report.
    std::string many;
    for (int line = 0; line < 40000; ++line) many += "line " + std::to_string(line) + "\n";
    dir.write("many", many);
    const Outcome write_error{"", "write error\n", 2};
    EXPECT_EQ(run_vesk(dir, {"-usage"}, {Stdout::full_device}), write_error);
    EXPECT_EQ(run_vesk(dir, {"a", "b"}, {Stdout::full_device}), write_error);
    EXPECT_EQ(run_vesk(dir, {"many", "b"}, {Stdout::full_device}), write_error);
    EXPECT_EQ(run_vesk(dir, {"-usage"}, {Stdout::closed_pipe, true}), write_error);
    // Nothing to write, nothing to fail; a message after an unwritten header still appears.
    EXPECT_EQ(run_vesk(dir, {"a", "a"}, {Stdout::full_device}), (Outcome{"", "same files\n", 2}));
    EXPECT_EQ(run_vesk(dir, {"-N", "a", "missing"}, {Stdout::full_device}),
              (Outcome{"", "missing: not found\nwrite error\n", 2}));
}

TEST(OutputFailure, ClosedPipeWithSigpipeAtItsDefaultEndsQuietly) {
    ScratchDir dir;
    EXPECT_EQ(run_vesk(dir, {"-usage"}, {Stdout::closed_pipe, false}), (Outcome{"", "", 128 + SIGPIPE}));
}

}  // namespace
}  // namespace vesk::e2e
