#include "driver/file_loading.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "compare/fingerprint.h"
#include "model/mapped_file.h"
#include "e2e/e2e_harness.h"
#include "run_status.h"

namespace vesk {
namespace {

using Lines = std::vector<std::string>;

// The files "one" and "two" of these bytes, loaded by load_files(), or the first
// alone by load_file(), then read through reader when one is given.
struct Loaded {
    Loaded(const std::string& first, const std::string* second = nullptr, TextFile::ReadFunction reader = nullptr,
           std::function<bool(std::size_t)> refuse_memory = {})
        : diagnostics(err), comparison(Options{}, out, diagnostics), table(comparison.first) {
        diagnostics.refuse_memory = std::move(refuse_memory);
        dir.write("one", first);
        dir.write("two", second != nullptr ? *second : "");
        TextFile one, two;
        EXPECT_TRUE(one.open((dir.path() + "/one").c_str()) && two.open((dir.path() + "/two").c_str()));
        if (reader != nullptr) one.read_with(reader);
        status = testing::ended_status([&] {
            if (second == nullptr) load_file({comparison.first, diagnostics, TextRules{}}, one, "one");
            else load_files(comparison, one, "one", two, "two");
        });
    }
    Lines lines() const {
        Lines texts;
        for (std::int64_t at = 0; at < table.count; ++at) texts.emplace_back(table.text(at));
        return texts;
    }

    e2e::ScratchDir dir;
    Output out, err;
    Diagnostics diagnostics;
    Comparison comparison;
    const LineTable& table;
    std::optional<int> status;
};

// The reader alone, as for a pipe: a file read through a stand-in is never mapped.
ssize_t read_plainly(int fd, void* into, std::size_t size) { return ::read(fd, into, size); }

TEST(Loading, MappedOrReadGivesTheLinesOfA4096ByteLineReaderInTextMode) {
    const std::string cut(4095, 'b');
    const std::pair<std::string, Lines> cases[] = {
        {std::string(4094, 'a') + "\n", {std::string(4094, 'a') + "\n"}},
        {"x\n" + cut + "\ny\n", {"x\n", cut, "\n", "y\n"}},  // cut after lines that stay in the mapped file
        {cut + "\n", {cut, "\n"}},  // a whole page: a scan reads past it into the mapping's slack
        {std::string(2000, 'x') + "\r" + std::string(2094, 'x') + "\n", {std::string(4094, 'x') + "\n"}},
        {"a\rb\r\r\n", {"ab\n"}},
        {"a\nb\r\nc\n", {"a\n", "b\n", "c\n"}},
        {"a\nb\x1A\x1A\r\n", {"a\n", "b"}},  // only padding may follow the Ctrl-Z that ends the text
        {"a\nlast", {"a\n", "last"}},
    };
    for (const auto& [bytes, lines] : cases) {
        Loaded mapped(bytes), read(bytes, nullptr, read_plainly);
        EXPECT_EQ(mapped.lines(), lines);
        EXPECT_EQ(read.lines(), lines);
        EXPECT_EQ(mapped.status, std::nullopt);
        for (std::int64_t at = 0; at < mapped.table.count; ++at)
            EXPECT_EQ(mapped.table.fingerprints[at], compute_fingerprint(lines[at], TextRules{}).value()) << at;
    }
    // The lines from the first that needs the text-mode rules on are copies.
    Loaded copied("a\nb\r\nc\n");
    EXPECT_TRUE(copied.table.in_place_through(0));
    EXPECT_FALSE(copied.table.in_place_through(1));
    EXPECT_FALSE(copied.table.in_place_through(2));
}

ssize_t fail_always(int, void*, std::size_t) {
    errno = EIO;
    return -1;
}

ssize_t fail_after_ten_bytes(int fd, void* into, std::size_t) {
    static thread_local int calls = 0;
    if (calls++ % 2 == 0) return ::read(fd, into, 10);
    errno = EIO;
    return -1;
}

// The second file's failure waits for the first file, and is never seen when
// the first one fails too.
TEST(Loading, FailuresEndTheRun) {
    const std::string not_text = "\x01\n", many(1001, '\n');
    const auto refuse_first_growth = [](std::size_t size) { return size == 2001 * sizeof(std::uint32_t); };
    const std::string no_memory = "cannot get the memory of 8 K bytes\n";
    const struct {
        Loaded loaded;
        int status;
        std::string err;
    } cases[] = {
        {Loaded("fine\nbad\x01line\n"), 2, "one: no text file\n"},
        {Loaded("fine\nbad\x01line\n", nullptr, read_plainly), 2, "one: no text file\n"},
        {Loaded(std::string("fine\nb\0d\n", 9)), 2, "one: no text file\n"},
        {Loaded(std::string("fine\nb\0d\n", 9), nullptr, read_plainly), 2, "one: no text file\n"},
        {Loaded("fine\n\x1A\x1A" "x"), 2, "one: no text file\n"},
        {Loaded("fine\n\x1A\r\n" "x", nullptr, read_plainly), 2, "one: no text file\n"},
        {Loaded("text\n", nullptr, fail_always), 2, "one: not found\n"},
        {Loaded("0123456789abcdef\n", nullptr, fail_after_ten_bytes), 2, "one: read error\n"},
        {Loaded(many, nullptr, nullptr, refuse_first_growth), 1, no_memory},
        {Loaded("a\n", &not_text), 2, "two: no text file\n"},
        {Loaded("\x02\n", &not_text), 2, "one: no text file\n"},
        {Loaded("a\n", &many, nullptr, refuse_first_growth), 1, no_memory},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.loaded.status, c.status) << c.err;
        EXPECT_EQ(c.loaded.err.captured(), c.err);
    }
    EXPECT_EQ(cases[0].loaded.lines(), Lines{"fine\n"});  // nothing loaded past the line that is not text
}

TEST(MappedFileDeathTest, AFileThatShrinksUnderItIsAReadError) {
    e2e::ScratchDir dir;
    const auto page = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
    dir.write("shrinking", std::string(3 * page, 'x'));
    const std::string path = dir.path() + "/shrinking";
    EXPECT_EXIT(
        {
            std::optional<MappedFile> mapped = MappedFile::map(::open(path.c_str(), O_RDONLY), "shrinking");
            if (!mapped || ::truncate(path.c_str(), 0) != 0) std::_Exit(100);
            // The last page is gone from the file: touching it is a failing read.
            volatile char lost = mapped->data()[2 * page];
            static_cast<void>(lost);
            std::_Exit(101);
        },
        ::testing::ExitedWithCode(2), "^shrinking: read error\n$");
}

}  // namespace
}  // namespace vesk
