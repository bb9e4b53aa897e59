// A report that cannot be written must not end as if it had been.
#include <gtest/gtest.h>

#include <csignal>
#include <string>

#include "e2e/e2e_harness.h"

namespace vesk::e2e {
namespace {

using Stdout = Setup::Stdout;

TEST(OutputFailure, FullDiskIsAWriteError) {
    ScratchDir dir;
    dir.write("a", "one\n");
    dir.write("b", "two\n");
    EXPECT_EQ(run_vesk(dir, {"-usage"}, {Stdout::full_device, false}), (Outcome{"", "write error\n", 2}));
    EXPECT_EQ(run_vesk(dir, {"a", "b"}, {Stdout::full_device, false}), (Outcome{"", "write error\n", 2}));
    // Nothing to write, nothing to fail.
    EXPECT_EQ(run_vesk(dir, {"a", "a"}, {Stdout::full_device, false}), (Outcome{"", "same files\n", 2}));
}

// The header could not be written, but the message after it must not be lost.
TEST(OutputFailure, MessageAfterAnUnwrittenHeaderStillAppears) {
    ScratchDir dir;
    dir.write("a", "one\n");
    EXPECT_EQ(run_vesk(dir, {"-N", "a", "missing"}, {Stdout::full_device, false}),
              (Outcome{"", "missing: not found\nwrite error\n", 2}));
}

TEST(OutputFailure, ClosedPipeWithSigpipeIgnoredIsAWriteError) {
    ScratchDir dir;
    EXPECT_EQ(run_vesk(dir, {"-usage"}, {Stdout::closed_pipe, true}), (Outcome{"", "write error\n", 2}));
}

TEST(OutputFailure, ClosedPipeWithSigpipeAtItsDefaultEndsQuietly) {
    ScratchDir dir;
    EXPECT_EQ(run_vesk(dir, {"-usage"}, {Stdout::closed_pipe, false}), (Outcome{"", "", 128 + SIGPIPE}));
}

TEST(OutputFailure, LargeReportIntoAFullDevice) {
    // More than the output buffer holds, so that the failure comes mid-report.
    ScratchDir dir;
    std::string many;
    for (int line = 0; line < 40000; ++line) many += "line " + std::to_string(line) + "\n";
    dir.write("a", many);
    dir.write("b", "");
    EXPECT_EQ(run_vesk(dir, {"a", "b"}, {Stdout::full_device, false}), (Outcome{"", "write error\n", 2}));
}

}  // namespace
}  // namespace vesk::e2e
