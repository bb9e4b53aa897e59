// Files that are not what they seemed when vesk opened them: one FIFO under two
// names, and a file cut short while vesk compares it.
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "e2e/e2e_harness.h"

namespace vesk::e2e {
namespace {

using namespace std::string_literals;

// Makes a FIFO in dir and writes the file `from` into it from a shell in the
// background, once vesk has opened it for reading; `before` runs in between.
// The shell gives up after ten seconds, so that a test fails instead of hanging.
void feed_fifo(const ScratchDir& dir, const std::string& fifo, const std::string& from, const std::string& before = ":") {
    ASSERT_EQ(::mkfifo((dir.path() + "/" + fifo).c_str(), 0600), 0);
    const std::string script = "cd '" + dir.path() + "' && exec > " + fifo + " && " + before + " && cat " + from;
    ASSERT_EQ(std::system(("timeout 10 sh -c \"" + script + "\" 2>/dev/null &").c_str()), 0);
}

std::string numbered_lines(int count) {
    std::string lines;
    for (int line = 1; line <= count; ++line) lines += std::to_string(line) + "\n";
    return lines;
}

// Two loading threads once took turns at the one pipe, and every run gave
// another report; read once, it is one file against an identical copy.
TEST(FileIdentity, TheSameFifoUnderTwoNamesIsReadOnce) {
    struct Row {
        const char* content;
        std::string bytes;
        Outcome outcome;
    };
    const Row rows[] = {
        {"200,000 lines, more than a pipe holds", numbered_lines(200000), {"", "", 0}},
        {"a NUL in a line", "a\0b\n"s, {"", "f: no text file\n", 2}},
    };
    for (const Row& row : rows) {
        ScratchDir dir;
        dir.write("bytes", row.bytes);
        feed_fifo(dir, "f", "bytes");
        EXPECT_EQ(run_vesk(dir, {"f", "./f"}), row.outcome) << row.content;
    }
}

// A file cut short inside its last page keeps that page in the mapping, where
// the bytes past its new end read as zeros: once reported as lines of neither
// version. The second file is a FIFO, so that the run cannot end before the
// first file has been cut.
TEST(FileIdentity, ATruncationInsideTheLastPageIsAReadError) {
    ScratchDir dir;
    const auto page = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
    std::string lines;
    while (lines.size() < 2 * page + page / 2) lines += "a line of the first file\n";
    dir.write("a", lines);
    dir.write("copy", lines);
    // Most runs have loaded the first file by the time it is cut; the outcome is
    // the same either way. Its time is put back, as a file system that keeps
    // whole seconds may show it: the size alone must tell.
    feed_fifo(dir, "b", "copy",
              "sleep 0.1 && touch -r a t && truncate -s " + std::to_string(2 * page + page / 4) + " a && touch -r t a");
    EXPECT_EQ(run_vesk(dir, {"a", "b"}), (Outcome{"", "a: read error\n", 2}));
}

// Files under /proc report a size of 0 and hold text: their contents decide,
// never the size. /proc/version and the kernel's type and release hold one line
// each, the same throughout a run, so every expected report is one header and
// the lines as the normal and the context report print them.
TEST(FileIdentity, AReportedSizeOfZeroIsNoVerdict) {
    ScratchDir dir;
    dir.write("empty", "");
    const std::string version = read_bytes("/proc/version");
    const std::string type = read_bytes("/proc/sys/kernel/ostype");
    const std::string release = read_bytes("/proc/sys/kernel/osrelease");
    ASSERT_FALSE(version.empty() || type.empty() || release.empty());
    dir.write("version", version);
    const Outcome deleted{"delete: 1 : 0\n\t" + version, "", 1};
    const Outcome changed{"change: 1 : 1\n\t" + type + "------\n\t" + release, "", 1};
    const std::pair<std::vector<std::string>, Outcome> cases[] = {
        {{"/proc/version", "empty"}, deleted},
        {{"-x", "/proc/version", "empty"}, deleted},
        {{"--utf8", "/proc/version", "empty"}, deleted},
        {{"-c", "/proc/version", "empty"}, {"Delete: 1 : 0\n-\t" + version, "", 1}},
        {{"/proc/sys/kernel/ostype", "/proc/sys/kernel/osrelease"}, changed},
        {{"-c", "/proc/sys/kernel/ostype", "/proc/sys/kernel/osrelease"},
         {"Change: 1 : 1\n!\t" + type + "------\n!\t" + release, "", 1}},
        {{"/proc/version", "version"}, {"", "", 0}},
        {{"-c", "-x", "--utf8", "version", "/proc/version"}, {"", "", 0}},
        // Its entries end in NUL bytes.
        {{"/proc/self/environ", "empty"}, {"", "/proc/self/environ: no text file\n", 2}},
    };
    for (const auto& [args, expected] : cases) EXPECT_EQ(run_vesk(dir, args), expected) << ::testing::PrintToString(args);
}

}  // namespace
}  // namespace vesk::e2e
