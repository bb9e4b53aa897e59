#include "driver/file_loading.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <functional>
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
        : diagnostics(err), comparison(Options{flags, 8, 0}, out, diagnostics) {
        dir.write("f", bytes);
        TextFile file;
        EXPECT_TRUE(file.open((dir.path() + "/f").c_str()));
        if (reader != nullptr) file.read_with(reader);
        try {
            load_file({comparison.first, diagnostics, flags}, file, "f");
        } catch (const RunEnded& ended) {
            status = ended.status;
        }
    }

    std::vector<std::string> lines() const {
        std::vector<std::string> texts;
        for (std::int64_t at = 0; at < comparison.first.count; ++at) texts.emplace_back(comparison.first.text(at));
        return texts;
    }

    e2e::ScratchDir dir;
    Output out, err;
    Diagnostics diagnostics;
    Comparison comparison;
    int status = -100;  // -100: the run went on
};

using Lines = std::vector<std::string>;

// The reader alone, as for a pipe: a file read through a stand-in is never mapped.
ssize_t read_plainly(int fd, void* into, std::size_t size) { return ::read(fd, into, size); }

// The lines of bytes, loaded once from the mapped file and once through the reader
// alone; both ways must give the same lines, fingerprints and ending.
Lines loaded_lines(const std::string& bytes, std::uint32_t flags = 0) {
    Loaded mapped(bytes, flags), read(bytes, flags, read_plainly);
    EXPECT_EQ(mapped.lines(), read.lines());
    EXPECT_EQ(mapped.status, read.status);
    for (std::int64_t at = 0; at < std::min(mapped.comparison.first.count, read.comparison.first.count); ++at)
        EXPECT_EQ(mapped.comparison.first.fingerprints[at], read.comparison.first.fingerprints[at]) << at;
    return mapped.lines();
}

TEST(Loading, CutsLinesAsA4096ByteLineReader) {
    std::string longest(4094, 'a');
    EXPECT_EQ(loaded_lines(longest + "\n"), Lines{longest + "\n"});
    std::string cut(4095, 'b');
    EXPECT_EQ(loaded_lines(cut + "\n"), (Lines{cut, "\n"}));
    std::string pieces = std::string(4095, 'c') + std::string(4095, 'd') + "ee";
    EXPECT_EQ(loaded_lines(pieces), (Lines{std::string(4095, 'c'), std::string(4095, 'd'), "ee"}));
    // A long line after lines that stay in the mapped file is cut the same way.
    EXPECT_EQ(loaded_lines("x\n" + cut + "\ny\n"), (Lines{"x\n", cut, "\n", "y\n"}));
}

TEST(Loading, TextModeDropsCarriageReturnsAndStopsAtCtrlZ) {
    EXPECT_EQ(loaded_lines("a\r\nb\r\n"), (Lines{"a\n", "b\n"}));
    EXPECT_EQ(loaded_lines("a\rb\r\r\n"), (Lines{"ab\n"}));
    EXPECT_EQ(loaded_lines("a\nb\x1A\x1A\r\n"), (Lines{"a\n", "b"}));
    EXPECT_EQ(loaded_lines("a\nb\n\x1A\n\r\x1A"), (Lines{"a\n", "b\n"}));
    // Clean lines first, then one with a carriage return: the rules apply from there.
    EXPECT_EQ(loaded_lines("a\nb\r\nc\n"), (Lines{"a\n", "b\n", "c\n"}));
    Loaded ends_in_ctrl_z("a\n\x1A\r\n\x1A");
    EXPECT_EQ(ends_in_ctrl_z.lines(), (Lines{"a\n"}));
    EXPECT_EQ(ends_in_ctrl_z.status, -100);
    // A carriage return does not count towards the 4,095 bytes of a line.
    std::string with_returns;
    for (int at = 0; at < 4094; ++at) with_returns += "x\r";
    EXPECT_EQ(loaded_lines(with_returns + "\n"), (Lines{std::string(4094, 'x') + "\n"}));
}

TEST(Loading, KeepsLinesAsRead) {
    EXPECT_EQ(loaded_lines(""), Lines{});
    EXPECT_EQ(loaded_lines("a\nlast"), (Lines{"a\n", "last"}));
}

TEST(Loading, GrowsByOneThousandLinesWithClearedEntries) {
    Loaded thousand(std::string(1000, '\n'));
    EXPECT_EQ(thousand.comparison.first.count, 1000);
    EXPECT_EQ(thousand.comparison.first.capacity, 1000);
    Loaded grown(std::string(1001, '\n'));
    const LineTable& table = grown.comparison.first;
    EXPECT_EQ(table.count, 1001);
    EXPECT_EQ(table.capacity, 2000);
    for (std::int64_t at = 0; at <= table.capacity; ++at) ASSERT_EQ(table.marks[at], 0) << at;
}

TEST(Loading, CrLfAndLfGiveEqualTables) {
    Loaded lf("one\ntwo  \nthree"), crlf("one\r\ntwo  \r\nthree");
    ASSERT_EQ(lf.lines(), crlf.lines());
    for (std::int64_t at = 0; at < lf.comparison.first.count; ++at)
        EXPECT_EQ(lf.comparison.first.fingerprints[at], crlf.comparison.first.fingerprints[at]);
}

TEST(Loading, RefusesAFileThatIsNotText) {
    // A forbidden control byte, a NUL, anything but padding after the Ctrl-Z
    // that ends the text: the file is refused, in place and through the reader.
    using namespace std::string_literals;
    for (const std::string& bytes :
         {"fine\nbad\x01line\nnever read\n"s, "fine\nb\0d\nnever read\n"s, "fine\n\x1A\r\n\0"s, "fine\n\x1A\x1A" "x"s}) {
        for (TextFile::ReadFunction reader : {TextFile::ReadFunction{nullptr}, &read_plainly}) {
            Loaded binary(bytes, 0, reader);
            EXPECT_EQ(binary.status, 2);
            EXPECT_EQ(binary.err.captured(), "f: no text file\n");
            EXPECT_EQ(binary.comparison.first.count, 1);
        }
    }
}

TEST(Loading, LinesAfterTheFirstThatNeedsTheRulesAreCopies) {
    Loaded loaded("a\nb\r\nc\n");
    EXPECT_TRUE(loaded.comparison.first.in_place(0, 0));
    EXPECT_FALSE(loaded.comparison.first.in_place(0, 1));
    EXPECT_FALSE(loaded.comparison.first.in_place(2, 2));
    EXPECT_FALSE(Loaded("a\nb\n", 0, read_plainly).comparison.first.in_place(0, 0));
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
    Comparison comparison(Options{}, out, diagnostics);
    // The first growth resizes the fingerprints to 2,001 four-byte entries.
    diagnostics.refuse_memory = [](std::size_t size) { return size == 2001 * sizeof(std::uint32_t); };
    e2e::ScratchDir dir;
    dir.write("f", std::string(1001, '\n'));
    TextFile file;
    ASSERT_TRUE(file.open((dir.path() + "/f").c_str()));
    int status = 0;
    try {
        load_file({comparison.first, diagnostics, 0}, file, "f");
    } catch (const RunEnded& ended) {
        status = ended.status;
    }
    EXPECT_EQ(status, 1);
    EXPECT_EQ(err.captured(), "cannot get the memory of 8 K bytes\n");
}

// Both files of a run, loaded together: the second on its own thread.
struct LoadedPair {
    LoadedPair(const std::string& first_bytes, const std::string& second_bytes,
               std::function<bool(std::size_t)> refuse_memory = {})
        : diagnostics(err), comparison(Options{}, out, diagnostics) {
        diagnostics.refuse_memory = std::move(refuse_memory);
        dir.write("one", first_bytes);
        dir.write("two", second_bytes);
        TextFile first, second;
        EXPECT_TRUE(first.open((dir.path() + "/one").c_str()));
        EXPECT_TRUE(second.open((dir.path() + "/two").c_str()));
        try {
            load_files(comparison, first, "one", second, "two");
        } catch (const RunEnded& ended) {
            status = ended.status;
        }
    }

    e2e::ScratchDir dir;
    Output out, err;
    Diagnostics diagnostics;
    Comparison comparison;
    int status = -100;
};

TEST(LoadingBoth, EndsAsIfTheFirstFileLoadedFirst) {
    LoadedPair both_fine("a\nb\n", "c\n");
    EXPECT_EQ(both_fine.status, -100);
    EXPECT_EQ(both_fine.comparison.first.count, 2);
    EXPECT_EQ(both_fine.comparison.second.count, 1);
    EXPECT_EQ(both_fine.comparison.second.text(0), "c\n");

    LoadedPair second_bad("a\n", "\x01\n");
    EXPECT_EQ(second_bad.status, 2);
    EXPECT_EQ(second_bad.err.captured(), "two: no text file\n");

    // The second file's failure is never seen when the first one fails.
    LoadedPair both_bad("\x02\n", std::string(100000, 'x') + "\x01\n");
    EXPECT_EQ(both_bad.status, 2);
    EXPECT_EQ(both_bad.err.captured(), "one: no text file\n");
}

TEST(LoadingBoth, TheSecondFileRunsOutOfMemoryInTurn) {
    // The first growth of a table resizes its fingerprints to 2,001 four-byte entries.
    LoadedPair pair("a\n", std::string(1001, '\n'), [](std::size_t size) { return size == 2001 * sizeof(std::uint32_t); });
    EXPECT_EQ(pair.status, 1);
    EXPECT_EQ(pair.err.captured(), "cannot get the memory of 8 K bytes\n");
}

}  // namespace
}  // namespace vesk
