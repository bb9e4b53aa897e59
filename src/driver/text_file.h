// An input file read in text mode: every carriage return is dropped, the first
// Ctrl-Z ends the text, and the text is cut into lines exactly as a line reader
// with a 4,096-byte buffer cuts it (a line longer than 4,095 bytes comes in
// pieces of 4,095 bytes). The file is read in large blocks. What follows the
// Ctrl-Z is read too, to the end of the file: anything there but the padding of
// an end-of-file mark (more Ctrl-Z, carriage returns, line feeds) makes the file
// no text.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <ctime>
#include <string_view>

#include "support/byte_rules.h"
#include "support/memory.h"

namespace vesk {

// The most bytes a line (or a piece of a longer one) holds: a 4,096-byte buffer
// less its terminating NUL.
constexpr std::size_t MAX_LINE_BYTES = 4095;

class TextFile {
public:
    enum class Status {
        line,        // the next line is ready
        end,         // no further byte
        unreadable,  // the very first read failed: nothing of the file could be read
        read_error,  // a later read failed
        not_text,    // something other than padding follows the Ctrl-Z that ended the text
    };

    TextFile() = default;
    ~TextFile() { close(); }
    TextFile(const TextFile&) = delete;
    TextFile& operator=(const TextFile&) = delete;

    // False when name cannot be opened for reading or names a directory.
    bool open(const char* name);
    void close();
    // The file has been read: its block buffer goes, while the file stays open
    // for changed().
    void finish_reading() { buffer_.reset(); }

    // Goes on reading at byte `offset`, the start of a line, as if every line
    // before it had been read already; false when the file cannot be positioned.
    bool resume_at(off_t offset);

    // The next line, with its line feed if it has one; valid until the next call.
    // The block buffer is taken at the first call: running out of memory there
    // is a MemoryShortage.
    Status next_line(std::string_view& line);

    // Reads the rest of the file as it is, without the text-mode rules (line,
    // the Status for "read it all", is not among the answers).
    Status read_all(WorkVector<char>& bytes);
    // From here on the lines come from text (which must outlive the reading)
    // instead of the file, under the same rules; such a file is never mapped,
    // and resume_at() counts in text.
    void read_text_from(std::string_view text) {
        text_ = text;
        text_at_ = 0;
        from_text_ = true;
    }
    // The modification time the file reported when it was opened.
    timespec modified() const { return identity_.modified; }

    // The open file's descriptor, for looking at the file without moving its offset.
    int descriptor() const { return fd_; }

    // Whether name names this very file (the same device and inode) under another
    // name, as /dev/fd/0 does /dev/stdin, or as a FIFO named twice: one that is
    // read once. Asked without opening name, which for a FIFO could wait for a
    // writer that has come and gone.
    bool same_file_as(const char* name) const;
    // Whether a regular file's size or modification time is no longer what they
    // were when it was opened: the file changed while it was read or compared.
    // Other files (pipes, devices) have nothing to compare and never change here;
    // nor can a file whose size tells nothing of its contents (one under /proc
    // reports 0), but such a file is read to its end like a pipe, never mapped,
    // so every line of it the report shows is a copy of what was read.
    bool changed() const;

    // How blocks are read: ::read, or a stand-in that fails on cue in tests. A
    // file read through a stand-in is read only through it, never mapped.
    using ReadFunction = ssize_t (*)(int fd, void* into, std::size_t size);
    void read_with(ReadFunction reader) { read_ = reader; }
    bool may_map() const { return read_ == nullptr && !from_text_; }

private:
    // Large blocks keep the system calls few: about one per megabyte of input.
    static constexpr std::size_t BLOCK_SIZE = std::size_t{1} << 20;

    // What the file was when it was opened.
    struct Identity {
        dev_t device = 0;
        ino_t inode = 0;
        bool regular = false;
        off_t size = 0;
        timespec modified{};
    };

    // Reads the next block behind the bytes still pending; false on a read error.
    bool refill();
    ssize_t read_block(char* into, std::size_t size);
    void translate(std::size_t first, std::size_t count);
    Status read_past_end_of_text();

    ReadFunction read_ = nullptr;  // nullptr: ::read
    std::string_view text_;        // what is read instead of the file when from_text_
    std::size_t text_at_ = 0;
    bool from_text_ = false;
    int fd_ = -1;
    Identity identity_;
    Buffer<char> buffer_;
    std::size_t begin_ = 0;  // pending text is buffer_[begin_, end_)
    std::size_t end_ = 0;
    bool at_end_ = false;  // no further text: the end of the file, or a Ctrl-Z
    bool read_before_ = false;
    bool after_end_of_text_ = false;  // a Ctrl-Z ended the text; the rest is still to be read
    bool not_text_ = false;           // the rest holds a byte other than padding
};

}  // namespace vesk
