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
    static constexpr std::size_t BUFFER_SIZE = 256 * 1024;

    // Writes to a file descriptor. When the descriptor refuses buffered output,
    // the stream fails (see failed()) and the run ends with status 2; unbuffered
    // output (standard error) goes out at every call and ignores failures, since
    // there is nowhere left to report them. The buffer is taken at the first
    // write, so that running out of memory there is a MemoryShortage like any
    // other, before a byte is written.
    Output(int fd, bool buffered);
    // Collects everything in memory (see captured()); a shortage of memory for it
    // is a MemoryShortage too.
    Output();
    ~Output();
    Output(const Output&) = delete;
    Output& operator=(const Output&) = delete;

    void write(const char* bytes, std::size_t length) {
        // The common case, a short piece that fits the buffer, stays inline.
        if (buffer_ != nullptr && length <= BUFFER_SIZE - used_) {
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

    // Hands buffered bytes to the descriptor; when it cannot, the stream fails
    // and the run ends with status 2.
    void flush();
    // The same without ending the run, for the moment before an error message,
    // which must go out whatever became of standard output; false when it failed.
    bool try_flush();
    // Whether the descriptor refused bytes. A failed stream drops everything
    // written to it afterwards: the report is broken off for good.
    bool failed() const { return failed_; }

    // Whether the stream writes to a terminal (a memory stream never does).
    bool is_terminal() const;
    // How many columns wide the terminal is that the descriptor writes to; 0 when
    // it writes to no terminal (a file, a pipe, memory) or the terminal does not say.
    std::int64_t terminal_columns() const;

    // What a memory stream has collected.
    const std::string& captured() const { return memory_; }

private:
    void write_slowly(const char* bytes, std::size_t length);
    void keep_in_memory(const char* bytes, std::size_t length);
    [[noreturn]] void fail();
    // False when the descriptor refused the bytes.
    bool write_through(const char* bytes, std::size_t length);

    int fd_ = -1;
    bool buffered_ = false;
    std::string memory_;
    char* buffer_ = nullptr;  // taken at the first buffered write
    std::size_t used_ = 0;
    bool failed_ = false;
};

}  // namespace vesk
