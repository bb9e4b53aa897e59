#include "model/mapped_file.h"

#include <signal.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <mutex>
#include <utility>

#include "support/message_format.h"

namespace vesk {
namespace {

// A lost page raises SIGBUS, and a signal handler can only find out which file
// it belonged to through process-wide state: these few slots, each filled before
// its mapping is used and emptied before the mapping goes. The run maps two
// files; the rest is room for tests.
constexpr int WATCHED_FILES = 8;

struct WatchedFile {
    std::atomic<bool> taken{false};
    std::atomic<const char*> begin{nullptr};  // set last, cleared first
    const char* end = nullptr;
    MessageBuffer message{};
    std::size_t length = 0;
};

WatchedFile watched_files[WATCHED_FILES];

void on_lost_page(int signal, siginfo_t* info, void*) {
    const auto* at = static_cast<const char*>(info->si_addr);
    for (WatchedFile& file : watched_files) {
        const char* begin = file.begin.load(std::memory_order_acquire);
        if (begin != nullptr && at >= begin && at < file.end) {
            // Only async-signal-safe calls from here on.
            ssize_t written = ::write(STDERR_FILENO, file.message.bytes, file.length);
            static_cast<void>(written);
            ::_exit(2);
        }
    }
    // Not one of ours: the access is retried and gets the default action.
    ::signal(signal, SIG_DFL);
}

void handle_lost_pages() {
    static std::once_flag installed;
    std::call_once(installed, [] {
        struct sigaction action {};
        action.sa_sigaction = on_lost_page;
        action.sa_flags = SA_SIGINFO;
        sigemptyset(&action.sa_mask);
        ::sigaction(SIGBUS, &action, nullptr);
    });
}

// The slot that now answers for [begin, end), or -1 when all are taken (the
// mapping is then used unwatched, as a plain read would be after a failure).
int watch(const char* begin, const char* end, const char* name, Encoding encoding) {
    handle_lost_pages();
    for (int slot = 0; slot < WATCHED_FILES; ++slot) {
        WatchedFile& file = watched_files[slot];
        if (file.taken.exchange(true)) continue;
        file.end = end;
        file.length = format_message(file.message, "%s: read error\n", {name}, encoding).size();
        file.begin.store(begin, std::memory_order_release);
        return slot;
    }
    return -1;
}

void unwatch(int slot) {
    if (slot < 0) return;
    watched_files[slot].begin.store(nullptr, std::memory_order_release);
    watched_files[slot].taken.store(false, std::memory_order_release);
}

}  // namespace

std::optional<MappedFile> MappedFile::map(int fd, const char* name, Encoding encoding) {
    struct stat status;
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode) || status.st_size <= 0) return std::nullopt;
    const auto size = static_cast<std::size_t>(status.st_size);
    const auto page = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
    // The file's pages, then at least one page of zeros: past the file's last
    // page a file mapping faults, so the slack comes from an anonymous mapping
    // that the file is laid over.
    const std::size_t file_pages = (size + page - 1) / page * page;
    const std::size_t reserved = file_pages + (READ_SLACK + page - 1) / page * page;
    void* range = ::mmap(nullptr, reserved, PROT_READ, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (range == MAP_FAILED) return std::nullopt;
    void* file = ::mmap(range, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_FIXED, fd, 0);
    if (file == MAP_FAILED) {
        ::munmap(range, reserved);
        return std::nullopt;
    }
    auto* base = static_cast<char*>(file);
    return MappedFile(base, size, reserved, watch(base, base + file_pages, name, encoding));
}

namespace {

std::size_t page_multiple(std::size_t size) {
    const auto page = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
    return (size + page - 1) / page * page;
}

}  // namespace

std::optional<MappedFile> MappedFile::anonymous(std::size_t capacity) {
    const std::size_t reserved = page_multiple(capacity + READ_SLACK);
    void* range = ::mmap(nullptr, reserved, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (range == MAP_FAILED) return std::nullopt;
    // Made text is written once from start to end: large pages fault far less often.
    ::madvise(range, reserved, MADV_HUGEPAGE);
    return MappedFile(static_cast<char*>(range), capacity, reserved, -1);
}

void MappedFile::shrink_to(std::size_t size) {
    const std::size_t kept = page_multiple(size + READ_SLACK);
    if (kept < reserved_) ::munmap(base_ + kept, reserved_ - kept);
    reserved_ = std::min(kept, reserved_);
    size_ = size;
}

MappedFile::MappedFile(MappedFile&& other) noexcept
    : base_(std::exchange(other.base_, nullptr)),
      size_(std::exchange(other.size_, 0)),
      reserved_(std::exchange(other.reserved_, 0)),
      watch_(std::exchange(other.watch_, -1)) {}

MappedFile& MappedFile::operator=(MappedFile&& other) noexcept {
    if (this != &other) {
        release();
        base_ = std::exchange(other.base_, nullptr);
        size_ = std::exchange(other.size_, 0);
        reserved_ = std::exchange(other.reserved_, 0);
        watch_ = std::exchange(other.watch_, -1);
    }
    return *this;
}

MappedFile::~MappedFile() { release(); }

void MappedFile::release() {
    if (base_ == nullptr) return;
    unwatch(watch_);
    ::munmap(base_, reserved_);
    base_ = nullptr;
}

}  // namespace vesk
