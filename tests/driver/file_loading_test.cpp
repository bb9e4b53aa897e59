#include "driver/file_loading.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <string>
#include <vector>

#include "compare/fingerprint.h"
#include "e2e/e2e_harness.h"
#include "support/run_end.h"

namespace vesk {
namespace {

// Loads `bytes` as the first file of a fresh comparison.
class Loaded {
public:
    explicit Loaded(const std::string& bytes, std::uint32_t flags = 0, TextFile::ReadFunction reader = nullptr)
        : diagnostics(err), run(Options{flags, 8, 0}, out, diagnostics) {
        dir.write("f", bytes);
        TextFile file;
        EXPECT_TRUE(file.open((dir.path() + "/f").c_str()));
        if (reader != nullptr) file.read_with(reader);
        try {
            load_file(run, 0, file, "f");
        } catch (const RunEnded& ended) {
            status = ended.status;
        }
    }

    std::vector<std::string> lines() const {
        std::vector<std::string> texts;
        for (std::int64_t at = 0; at < run.first.count; ++at) texts.emplace_back(run.first.texts[at]);
        return texts;
    }

    e2e::ScratchDir dir;
    Output out, err;
    Diagnostics diagnostics;
    Comparison run;
    int status = -100;  // -100: the run went on
};

using Lines = std::vector<std::string>;

TEST(Loading, CutsLinesAsA4096ByteLineReader) {
    std::string longest(4094, 'a');
    EXPECT_EQ(Loaded(longest + "\n").lines(), Lines{longest + "\n"});
    std::string cut(4095, 'b');
    EXPECT_EQ(Loaded(cut + "\n").lines(), (Lines{cut, "\n"}));
    std::string pieces = std::string(4095, 'c') + std::string(4095, 'd') + "ee";
    EXPECT_EQ(Loaded(pieces).lines(), (Lines{std::string(4095, 'c'), std::string(4095, 'd'), "ee"}));
}

TEST(Loading, TextModeDropsCarriageReturnsAndStopsAtCtrlZ) {
    EXPECT_EQ(Loaded("a\r\nb\r\n").lines(), (Lines{"a\n", "b\n"}));
    EXPECT_EQ(Loaded("a\rb\r\r\n").lines(), (Lines{"ab\n"}));
    EXPECT_EQ(Loaded("a\nb\x1A\x01junk\n").lines(), (Lines{"a\n", "b"}));
    Loaded ends_in_ctrl_z("a\n\x1A");
    EXPECT_EQ(ends_in_ctrl_z.lines(), (Lines{"a\n"}));
    EXPECT_EQ(ends_in_ctrl_z.status, -100);
    // A carriage return does not count towards the 4,095 bytes of a line.
    std::string with_returns;
    for (int at = 0; at < 4094; ++at) with_returns += "x\r";
    EXPECT_EQ(Loaded(with_returns + "\n").lines(), (Lines{std::string(4094, 'x') + "\n"}));
}

TEST(Loading, KeepsLinesAsRead) {
    EXPECT_EQ(Loaded("").lines(), Lines{});
    EXPECT_EQ(Loaded("a\nlast").lines(), (Lines{"a\n", "last"}));
    Loaded with_nul(std::string("ab\0cd\nnext\n", 11));
    EXPECT_EQ(with_nul.lines(), (Lines{"ab", "next\n"}));
    EXPECT_EQ(with_nul.run.first.fingerprints[0], compute_fingerprint("ab", 0).value());
}

TEST(Loading, GrowsByOneThousandLinesWithClearedEntries) {
    Loaded thousand(std::string(1000, '\n'));
    EXPECT_EQ(thousand.run.first.count, 1000);
    EXPECT_EQ(thousand.run.first.capacity, 1000);
    Loaded grown(std::string(1001, '\n'));
    const LineTable& table = grown.run.first;
    EXPECT_EQ(table.count, 1001);
    EXPECT_EQ(table.capacity, 2000);
    for (std::int64_t at = 0; at <= table.capacity; ++at) {
        ASSERT_EQ(table.marks[at], 0) << at;
        ASSERT_EQ(table.kinds[at], 0) << at;
    }
}

TEST(Loading, CrLfAndLfGiveEqualTables) {
    Loaded lf("one\ntwo  \nthree"), crlf("one\r\ntwo  \r\nthree");
    ASSERT_EQ(lf.lines(), crlf.lines());
    for (std::int64_t at = 0; at < lf.run.first.count; ++at)
        EXPECT_EQ(lf.run.first.fingerprints[at], crlf.run.first.fingerprints[at]);
}

TEST(Loading, RefusesAFileThatIsNotText) {
    Loaded binary("fine\nbad\x01line\nnever read\n");
    EXPECT_EQ(binary.status, 2);
    EXPECT_EQ(binary.err.captured(), "f: no text file\n");
    EXPECT_EQ(binary.run.first.count, 1);
}

ssize_t fail_always(int, void*, std::size_t) {
    errno = EIO;
    return -1;
}

// Gives 10 bytes, then fails.
ssize_t fail_after_first_block(int fd, void* into, std::size_t) {
    static thread_local int calls = 0;
    if (calls++ % 2 == 0) return ::read(fd, into, 10);
    errno = EIO;
    return -1;
}

TEST(Loading, ReportsReadFailuresInsteadOfTruncating) {
    Loaded unreadable("text\n", 0, fail_always);
    EXPECT_EQ(unreadable.status, 2);
    EXPECT_EQ(unreadable.err.captured(), "f: not found\n");
    Loaded broken("0123456789abcdef\n", 0, fail_after_first_block);
    EXPECT_EQ(broken.status, 2);
    EXPECT_EQ(broken.err.captured(), "f: read error\n");
}

TEST(Loading, RunningOutOfMemoryWhileGrowingEndsWithStatusOne) {
    Output out, err;
    Diagnostics diagnostics(err);
    Comparison run(Options{}, out, diagnostics);
    // The first growth resizes the fingerprints to 2,001 four-byte entries.
    diagnostics.refuse_memory = [](std::size_t size) { return size == 2001 * sizeof(std::uint32_t); };
    e2e::ScratchDir dir;
    dir.write("f", std::string(1001, '\n'));
    TextFile file;
    ASSERT_TRUE(file.open((dir.path() + "/f").c_str()));
    int status = 0;
    try {
        load_file(run, 0, file, "f");
    } catch (const RunEnded& ended) {
        status = ended.status;
    }
    EXPECT_EQ(status, 1);
    EXPECT_EQ(err.captured(), "cannot get the memory of 8 K bytes\n");
}

}  // namespace
}  // namespace vesk
