// Files that are not what they seemed when vesk opened them: one FIFO under two
// names, and a file cut short while vesk compares it.
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <string>
#include <thread>

#include "e2e/e2e_harness.h"

namespace vesk::e2e {
namespace {

using namespace std::string_literals;

// Writes bytes into the FIFO at path once vesk has opened it for reading, then
// closes it; before_writing runs in between. Gives up after ten seconds without
// a reader, so that a test fails instead of hanging.
class FifoWriter {
public:
    FifoWriter(std::string path, std::string bytes, std::function<void()> before_writing = {})
        : thread_([path, bytes, before_writing] { feed(path, bytes, before_writing); }) {}
    ~FifoWriter() { thread_.join(); }
    FifoWriter(const FifoWriter&) = delete;
    FifoWriter& operator=(const FifoWriter&) = delete;

private:
    static void feed(const std::string& path, const std::string& bytes, const std::function<void()>& before_writing) {
        // vesk may stop reading early (a file that is not text): a write then fails
        // with EPIPE instead of the signal ending the test.
        sigset_t pipe_signal;
        sigemptyset(&pipe_signal);
        sigaddset(&pipe_signal, SIGPIPE);
        pthread_sigmask(SIG_BLOCK, &pipe_signal, nullptr);
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        int fd;
        // Without a reader, a non-blocking open fails with ENXIO.
        while ((fd = ::open(path.c_str(), O_WRONLY | O_NONBLOCK)) < 0 && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        if (fd < 0) return;
        ::fcntl(fd, F_SETFL, 0);
        if (before_writing) before_writing();
        for (std::size_t at = 0; at < bytes.size();) {
            ssize_t written = ::write(fd, bytes.data() + at, bytes.size() - at);
            if (written <= 0) break;
            at += static_cast<std::size_t>(written);
        }
        ::close(fd);
    }

    std::thread thread_;
};

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
        ASSERT_EQ(::mkfifo((dir.path() + "/f").c_str(), 0600), 0);
        FifoWriter writer(dir.path() + "/f", row.bytes);
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
    ASSERT_EQ(::mkfifo((dir.path() + "/b").c_str(), 0600), 0);
    const std::string first = dir.path() + "/a";
    FifoWriter writer(dir.path() + "/b", lines, [first, page] {
        // Most runs have loaded the first file by now; the outcome is the same either way.
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        ::truncate(first.c_str(), static_cast<off_t>(2 * page + page / 4));
    });
    EXPECT_EQ(run_vesk(dir, {"a", "b"}), (Outcome{"", "a: read error\n", 2}));
}

}  // namespace
}  // namespace vesk::e2e
