#include "driver/text_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace vesk {
namespace {

constexpr char CARRIAGE_RETURN = '\r';

bool only_padding(const char* bytes, std::size_t count) {
    return std::all_of(bytes, bytes + count, [](char byte) { return may_follow_end_of_text(byte); });
}

}  // namespace

bool TextFile::open(const char* name) {
    fd_ = ::open(name, O_RDONLY | O_CLOEXEC);
    if (fd_ < 0) return false;
    struct stat status;
    if (::fstat(fd_, &status) != 0 || S_ISDIR(status.st_mode)) {
        close();
        return false;
    }
    identity_ = {status.st_dev, status.st_ino, S_ISREG(status.st_mode), status.st_size, status.st_mtim};
    return true;
}

void TextFile::close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    finish_reading();
}

bool TextFile::resume_at(off_t offset) {
    if (from_text_)
        text_at_ = std::min(static_cast<std::size_t>(offset), text_.size());
    else if (::lseek(fd_, offset, SEEK_SET) != offset)
        return false;
    begin_ = end_ = 0;
    at_end_ = false;
    // Lines came from the file before: a failing read is a read error, not a missing file.
    if (offset > 0) read_before_ = true;
    return true;
}

bool TextFile::same_file_as(const char* name) const {
    struct stat status;
    return ::stat(name, &status) == 0 && status.st_dev == identity_.device && status.st_ino == identity_.inode;
}

bool TextFile::changed() const {
    if (!identity_.regular) return false;
    struct stat now;
    if (::fstat(fd_, &now) != 0) return true;
    return now.st_size != identity_.size || now.st_mtim.tv_sec != identity_.modified.tv_sec ||
           now.st_mtim.tv_nsec != identity_.modified.tv_nsec;
}

TextFile::Status TextFile::next_line(std::string_view& line) {
    for (;;) {
        const char* pending = buffer_.get() + begin_;
        std::size_t available = end_ - begin_;
        std::size_t window = std::min(available, MAX_LINE_BYTES);
        const void* line_feed = available == 0 ? nullptr : std::memchr(pending, '\n', window);
        std::size_t length = 0;
        if (line_feed != nullptr)
            length = static_cast<std::size_t>(static_cast<const char*>(line_feed) - pending) + 1;
        else if (available >= MAX_LINE_BYTES || (at_end_ && available > 0))
            length = window;
        if (length > 0) {
            line = std::string_view(pending, length);
            begin_ += length;
            return Status::line;
        }
        if (at_end_) return after_end_of_text_ ? read_past_end_of_text() : Status::end;
        if (!refill()) return read_before_ ? Status::read_error : Status::unreadable;
    }
}

bool TextFile::refill() {
    if (!buffer_) buffer_ = take_buffer<char>(BLOCK_SIZE);  // read() fills it: no need to clear it first
    // Fewer than 4,095 bytes are pending here: they move to the front.
    std::size_t pending = end_ - begin_;
    std::memmove(buffer_.get(), buffer_.get() + begin_, pending);
    begin_ = 0;
    end_ = pending;
    ssize_t got = read_block(buffer_.get() + end_, BLOCK_SIZE - end_);
    if (got < 0) return false;
    read_before_ = true;
    if (got == 0) at_end_ = true;
    translate(end_, static_cast<std::size_t>(got));
    return true;
}

ssize_t TextFile::read_block(char* into, std::size_t size) {
    if (from_text_) {
        std::size_t count = std::min(size, text_.size() - text_at_);
        std::memcpy(into, text_.data() + text_at_, count);
        text_at_ += count;
        return static_cast<ssize_t>(count);
    }
    ssize_t got;
    do {
        got = read_ != nullptr ? read_(fd_, into, size) : ::read(fd_, into, size);
    } while (got < 0 && errno == EINTR);
    return got;
}

TextFile::Status TextFile::read_all(WorkVector<char>& bytes) {
    // Large files are read into a block of twice the size so far: few moves.
    constexpr std::size_t FIRST_BLOCK = std::size_t{1} << 16;
    std::size_t used = 0;
    for (;;) {
        if (bytes.size() - used < FIRST_BLOCK) bytes.resize(std::max(FIRST_BLOCK, 2 * bytes.size()));
        ssize_t got = read_block(bytes.data() + used, bytes.size() - used);
        if (got < 0) {
            bytes.clear();
            return read_before_ ? Status::read_error : Status::unreadable;
        }
        read_before_ = true;
        if (got == 0) break;
        used += static_cast<std::size_t>(got);
    }
    bytes.resize(used);
    return Status::end;
}

// Applies the text-mode rules to the bytes just read at buffer_[first, first + count).
void TextFile::translate(std::size_t first, std::size_t count) {
    char* bytes = buffer_.get() + first;
    if (const void* stop = std::memchr(bytes, END_OF_TEXT, count)) {
        auto text = static_cast<std::size_t>(static_cast<const char*>(stop) - bytes);
        if (!only_padding(bytes + text + 1, count - text - 1)) not_text_ = true;
        count = text;
        at_end_ = true;
        after_end_of_text_ = true;
    }
    char* kept = static_cast<char*>(std::memchr(bytes, CARRIAGE_RETURN, count));
    if (kept == nullptr) {
        end_ = first + count;
        return;
    }
    for (const char* from = kept; from < bytes + count; ++from)
        if (*from != CARRIAGE_RETURN) *kept++ = *from;
    end_ = static_cast<std::size_t>(kept - buffer_.get());
}

// Once every line before the Ctrl-Z is taken: the rest of the file, read to its
// end, must be padding. The whole buffer is free by now.
TextFile::Status TextFile::read_past_end_of_text() {
    after_end_of_text_ = false;
    if (not_text_) return Status::not_text;
    for (;;) {
        ssize_t got = read_block(buffer_.get(), BLOCK_SIZE);
        if (got < 0) return Status::read_error;
        if (got == 0) return Status::end;
        if (!only_padding(buffer_.get(), static_cast<std::size_t>(got))) return Status::not_text;
    }
}

}  // namespace vesk
