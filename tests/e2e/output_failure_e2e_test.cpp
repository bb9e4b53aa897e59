// A report that cannot be written must not end as if it had been.
#include <gtest/gtest.h>

#include <csignal>
#include <string>

#include "e2e/e2e_harness.h"

namespace vesk::e2e {
namespace {

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
