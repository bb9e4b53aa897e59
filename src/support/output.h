// One output stream: standard output (buffered), standard error (unbuffered), or
// memory for tests and fuzzing. Bytes are written exactly as given.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace vesk {

class Output {
public:
    // Large enough that a report of short lines costs one write per 256 KiB.
    static constexpr std::size_t kBufferSize = 256 * 1024;

    // Writes to a file descriptor. Buffered output throws OutputFailed when a write
    // fails; unbuffered output (standard error) goes out at every call and ignores
    // failures, since there is nowhere left to report them.
    Output(int fd, bool buffered);
    // Collects everything in memory (see captured()).
    Output();
    ~Output();
    Output(const Output&) = delete;
    Output& operator=(const Output&) = delete;

    void write(const char* bytes, std::size_t length) {
        // The common case, a short piece that fits the buffer, stays inline.
        if (buffered_ && length <= kBufferSize - used_) {
            std::memcpy(buffer_ + used_, bytes, length);
            used_ += length;
            return;
        }
        write_slowly(bytes, length);
    }
    void write(std::string_view text) { write(text.data(), text.size()); }
    void put(char byte);
    // Writes n copies of byte.
    void fill(char byte, std::size_t count);

    Output& operator<<(std::string_view text) {
        write(text);
        return *this;
    }
    Output& operator<<(char byte) {
        put(byte);
        return *this;
    }
    // Decimal, as "%d" prints it.
    Output& operator<<(std::int64_t number);
    Output& operator<<(int number) { return *this << static_cast<std::int64_t>(number); }

    // Hands buffered bytes to the descriptor. Throws OutputFailed when it cannot.
    void flush();
    // Drops what is buffered without writing it (after a failure, nothing more goes out).
    void discard() { used_ = 0; }

    // What a memory stream has collected.
    const std::string& captured() const { return memory_; }

private:
    void write_slowly(const char* bytes, std::size_t length);
    // False when the descriptor refused the bytes.
    bool write_through(const char* bytes, std::size_t length);

    int fd_ = -1;
    bool buffered_ = false;
    std::string memory_;
    char* buffer_ = nullptr;
    std::size_t used_ = 0;
};

}  // namespace vesk
