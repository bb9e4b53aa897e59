// An input file read in text mode: every carriage return is dropped, the first
// Ctrl-Z ends the input, and the text is cut into lines exactly as a line reader
// with a 4,096-byte buffer cuts it (a line longer than 4,095 bytes comes in
// pieces of 4,095 bytes). The file is read in large blocks.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <memory>
#include <string_view>

namespace vesk {

// The most bytes a line (or a piece of a longer one) holds: a 4,096-byte buffer
// less its terminating NUL.
constexpr std::size_t kMaxLineBytes = 4095;
// Ctrl-Z: nothing after the first one is read.
constexpr char kEndOfText = 0x1A;

class TextFile {
public:
    enum class Status {
        line,        // the next line is ready
        end,         // no further byte
        unreadable,  // the very first read failed: nothing of the file could be read
        read_error,  // a later read failed
    };

    TextFile() = default;
    ~TextFile() { close(); }
    TextFile(const TextFile&) = delete;
    TextFile& operator=(const TextFile&) = delete;

    // False when name cannot be opened for reading or names a directory.
    bool open(const char* name);
    void close();

    // Goes on reading at byte `offset`, the start of a line, as if every line
    // before it had been read already; false when the file cannot be positioned.
    bool resume_at(off_t offset);

    // The next line, with its line feed if it has one; valid until the next call.
    Status next_line(std::string_view& line);

    // The open file's descriptor, for looking at the file without moving its offset.
    int descriptor() const { return fd_; }

    // How blocks are read: ::read, or a stand-in that fails on cue in tests. A
    // file read through a stand-in is read only through it, never mapped.
    using ReadFunction = ssize_t (*)(int fd, void* into, std::size_t size);
    void read_with(ReadFunction reader) { read_ = reader; }
    bool may_map() const { return read_ == nullptr; }

private:
    // Large blocks keep the system calls few: about one per megabyte of input.
    static constexpr std::size_t kBlockSize = std::size_t{1} << 20;

    // Reads the next block behind the bytes still pending; false on a read error.
    bool refill();
    void translate(std::size_t first, std::size_t count);

    ReadFunction read_ = nullptr;  // nullptr: ::read
    int fd_ = -1;
    std::unique_ptr<char[]> buffer_;
    std::size_t begin_ = 0;  // pending text is buffer_[begin_, end_)
    std::size_t end_ = 0;
    bool at_end_ = false;
    bool read_before_ = false;
};

}  // namespace vesk
