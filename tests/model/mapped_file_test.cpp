#include "model/mapped_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "e2e/e2e_harness.h"

namespace vesk {
namespace {

// The file named in dir, opened for reading; closed with the object.
struct OpenFile {
    explicit OpenFile(const std::string& path) : fd(::open(path.c_str(), O_RDONLY)) {}
    ~OpenFile() { ::close(fd); }
    int fd;
};

TEST(MappedFile, HoldsTheFileAndZerosAfterIt) {
    e2e::ScratchDir dir;
    // A whole page: the bytes after it come from the slack, not from the file's last page.
    const auto page = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
    std::string bytes(page, 'x');
    dir.write("f", bytes);
    OpenFile file(dir.path() + "/f");
    std::optional<MappedFile> mapped = MappedFile::map(file.fd, "f");
    ASSERT_TRUE(mapped);
    EXPECT_EQ(std::string(mapped->data(), mapped->size()), bytes);
    for (std::size_t at = 0; at < MappedFile::kReadSlack; ++at) ASSERT_EQ(mapped->data()[page + at], '\0') << at;
    EXPECT_TRUE(mapped->holds(mapped->data() + page - 1));
    EXPECT_FALSE(mapped->holds(mapped->data() + page));
    // Writing changes the mapping only, never the file.
    mapped->data()[0] = 'y';
    OpenFile again(dir.path() + "/f");
    char first = 0;
    ASSERT_EQ(::read(again.fd, &first, 1), 1);
    EXPECT_EQ(first, 'x');
}

TEST(MappedFile, LeavesEmptyFilesAndPipesToTheReader) {
    e2e::ScratchDir dir;
    dir.write("empty", "");
    OpenFile empty(dir.path() + "/empty");
    EXPECT_FALSE(MappedFile::map(empty.fd, "empty"));
    int pipe_ends[2];
    ASSERT_EQ(::pipe(pipe_ends), 0);
    ASSERT_EQ(::write(pipe_ends[1], "a\n", 2), 2);
    EXPECT_FALSE(MappedFile::map(pipe_ends[0], "pipe"));
    ::close(pipe_ends[0]);
    ::close(pipe_ends[1]);
}

TEST(MappedFileDeathTest, AFileThatShrinksUnderItIsAReadError) {
    e2e::ScratchDir dir;
    const auto page = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
    dir.write("shrinking", std::string(3 * page, 'x'));
    const std::string path = dir.path() + "/shrinking";
    EXPECT_EXIT(
        {
            OpenFile file(path);
            std::optional<MappedFile> mapped = MappedFile::map(file.fd, "shrinking");
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
