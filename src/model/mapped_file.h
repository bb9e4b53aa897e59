// A regular file mapped into memory whole, so that most of its lines can stay
// where they lie instead of being copied. The mapping is private and writable
// (a write never reaches the file), and at least READ_SLACK bytes after its last
// byte read as zeros, so that a scan may read a whole vector block past the end.
// A file that shrinks while it is mapped loses the pages past its new end, and
// touching one of them is a failing read of that file: the run then ends at once
// with "%s: read error\n" and status 2, as when a read fails. A file cut short
// inside its last page loses no page (the bytes past its new end read as
// zeros): the run notices that by the file's size, which it compares with what
// it was when the file was opened.
#pragma once

#include <cstddef>
#include <optional>

#include "support/text_encoding.h"

namespace vesk {

class MappedFile {
public:
    // A scan may read this many bytes beyond the file's last byte.
    static constexpr std::size_t READ_SLACK = 64;

    // The file open on fd (named name, which must outlive the mapping), mapped;
    // nothing when it is not a regular file, is empty, or cannot be mapped (the
    // caller then reads it instead). The read error's message is cut as encoding
    // cuts messages.
    static std::optional<MappedFile> map(int fd, const char* name, Encoding encoding = Encoding::shift_jis);

    // Room for capacity bytes of text that is made rather than read (a file
    // decoded into UTF-8), zero-filled, with the same slack; nothing when the
    // memory cannot be had.
    static std::optional<MappedFile> anonymous(std::size_t capacity);
    // The text made there is size bytes long: the pages past it and its slack go.
    void shrink_to(std::size_t size);

    MappedFile(MappedFile&& other) noexcept;
    MappedFile& operator=(MappedFile&& other) noexcept;
    MappedFile(const MappedFile&) = delete;
    MappedFile& operator=(const MappedFile&) = delete;
    ~MappedFile();

    char* data() const { return base_; }
    std::size_t size() const { return size_; }
    bool holds(const char* at) const { return at >= base_ && at < base_ + size_; }

private:
    MappedFile(char* base, std::size_t size, std::size_t reserved, int watch)
        : base_(base), size_(size), reserved_(reserved), watch_(watch) {}
    void release();

    char* base_ = nullptr;
    std::size_t size_ = 0;      // of the file when it was mapped
    std::size_t reserved_ = 0;  // the whole range, slack included
    int watch_ = -1;            // where a lost page finds the file's message; -1: nowhere
};

}  // namespace vesk
