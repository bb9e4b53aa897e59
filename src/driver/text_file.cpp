#include "driver/text_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace vesk {
namespace {

constexpr char kCarriageReturn = '\r';

}  // namespace

bool TextFile::open(const char* name) {
    fd_ = ::open(name, O_RDONLY | O_CLOEXEC);
    if (fd_ < 0) return false;
    struct stat status;
    if (::fstat(fd_, &status) != 0 || S_ISDIR(status.st_mode)) {
        close();
        return false;
    }
    buffer_ = std::make_unique_for_overwrite<char[]>(kBlockSize);  // read() fills it: no need to clear it first
    return true;
}

void TextFile::close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    // The block buffer is dead weight once the file is loaded, while the
    // comparison that follows needs all the memory it can get.
    buffer_.reset();
}

bool TextFile::resume_at(off_t offset) {
    if (::lseek(fd_, offset, SEEK_SET) != offset) return false;
    begin_ = end_ = 0;
    at_end_ = false;
    // Lines came from the file before: a failing read is a read error, not a missing file.
    if (offset > 0) read_before_ = true;
    return true;
}

TextFile::Status TextFile::next_line(std::string_view& line) {
    for (;;) {
        const char* pending = buffer_.get() + begin_;
        std::size_t available = end_ - begin_;
        std::size_t window = std::min(available, kMaxLineBytes);
        const void* line_feed = std::memchr(pending, '\n', window);
        std::size_t length = 0;
        if (line_feed != nullptr)
            length = static_cast<std::size_t>(static_cast<const char*>(line_feed) - pending) + 1;
        else if (available >= kMaxLineBytes || (at_end_ && available > 0))
            length = window;
        if (length > 0) {
            line = std::string_view(pending, length);
            begin_ += length;
            return Status::line;
        }
        if (at_end_) return Status::end;
        if (!refill()) return read_before_ ? Status::read_error : Status::unreadable;
    }
}

bool TextFile::refill() {
    // Fewer than 4,095 bytes are pending here: they move to the front.
    std::size_t pending = end_ - begin_;
    std::memmove(buffer_.get(), buffer_.get() + begin_, pending);
    begin_ = 0;
    end_ = pending;
    ssize_t got;
    do {
        char* into = buffer_.get() + end_;
        got = read_ != nullptr ? read_(fd_, into, kBlockSize - end_) : ::read(fd_, into, kBlockSize - end_);
    } while (got < 0 && errno == EINTR);
    if (got < 0) return false;
    read_before_ = true;
    if (got == 0) at_end_ = true;
    translate(end_, static_cast<std::size_t>(got));
    return true;
}

// Applies the text-mode rules to the bytes just read at buffer_[first, first + count).
void TextFile::translate(std::size_t first, std::size_t count) {
    char* bytes = buffer_.get() + first;
    if (const void* stop = std::memchr(bytes, kEndOfText, count)) {
        count = static_cast<std::size_t>(static_cast<const char*>(stop) - bytes);
        at_end_ = true;  // nothing after the Ctrl-Z is read
    }
    char* kept = static_cast<char*>(std::memchr(bytes, kCarriageReturn, count));
    if (kept == nullptr) {
        end_ = first + count;
        return;
    }
    for (const char* from = kept; from < bytes + count; ++from)
        if (*from != kCarriageReturn) *kept++ = *from;
    end_ = static_cast<std::size_t>(kept - buffer_.get());
}

}  // namespace vesk
