#include "support/output.h"

#include <cerrno>
#include <charconv>
#include <cstdlib>
#include <cstring>
#include <new>

#include <sys/ioctl.h>
#include <unistd.h>

#include "support/memory.h"
#include "support/run_end.h"

namespace vesk {

Output::Output(int fd, bool buffered) : fd_(fd), buffered_(buffered) {}

Output::Output() = default;

Output::~Output() { std::free(buffer_); }

bool Output::is_terminal() const { return fd_ >= 0 && isatty(fd_) == 1; }

void Output::write_slowly(const char* bytes, std::size_t length) {
    if (failed_) return;
    if (fd_ < 0) {
        keep_in_memory(bytes, length);
        return;
    }
    if (!buffered_) {
        write_through(bytes, length);
        return;
    }
    if (buffer_ == nullptr) buffer_ = ReportingAllocator<char>().allocate(BUFFER_SIZE);
    if (used_ + length > BUFFER_SIZE) {
        flush();
        if (length >= BUFFER_SIZE) {
            if (!write_through(bytes, length)) fail();
            return;
        }
    }
    std::memcpy(buffer_ + used_, bytes, length);
    used_ += length;
}

std::int64_t Output::terminal_columns() const {
    winsize size{};
    if (fd_ < 0 || ::ioctl(fd_, TIOCGWINSZ, &size) != 0) return 0;
    return size.ws_col;
}

void Output::keep_in_memory(const char* bytes, std::size_t length) {
    try {
        memory_.append(bytes, length);
    } catch (const std::bad_alloc&) {
        end_run_short_of(memory_.size() + length);
    }
}

void Output::put(char byte) {
    if (buffer_ != nullptr && used_ < BUFFER_SIZE) {
        buffer_[used_++] = byte;
        return;
    }
    write(&byte, 1);
}

void Output::fill(char byte, std::size_t count) {
    char chunk[256];
    std::memset(chunk, byte, sizeof chunk);
    while (count > 0) {
        std::size_t piece = count < sizeof chunk ? count : sizeof chunk;
        write(chunk, piece);
        count -= piece;
    }
}

Output& Output::operator<<(std::int64_t number) {
    char digits[24];
    auto result = std::to_chars(digits, digits + sizeof digits, number);
    write(digits, static_cast<std::size_t>(result.ptr - digits));
    return *this;
}

void Output::flush() {
    if (!try_flush()) end_run(2);
}

bool Output::try_flush() {
    if (failed_) return false;
    if (used_ == 0) return true;
    std::size_t pending = used_;
    used_ = 0;
    if (write_through(buffer_, pending)) return true;
    failed_ = true;
    return false;
}

void Output::fail() {
    failed_ = true;
    used_ = 0;
    end_run(2);
}

bool Output::write_through(const char* bytes, std::size_t length) {
    while (length > 0) {
        ssize_t written = ::write(fd_, bytes, length);
        if (written < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        bytes += written;
        length -= static_cast<std::size_t>(written);
    }
    return true;
}

}  // namespace vesk
