// Memory that never fails for its caller: when none is left, the operation
// reports it and ends the run with status 1. Sizes are 64-bit; the messages
// print them as decimal numbers of bytes or of K bytes.
#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

#include "support/error_report.h"

namespace vesk {

// A zero-filled block of size bytes, to be released with std::free().
void* alloc_or_exit(Diagnostics& diagnostics, std::size_t size);
// The block resized to size bytes (perhaps moved); bytes past the old size are
// not cleared.
void* realloc_or_exit(Diagnostics& diagnostics, void* block, std::size_t size);

// For an array that grows in many small steps: the block resized to size bytes,
// refused and reported as realloc_or_exit() would, but moved only when size
// exceeds `room` (its bytes), which then doubles, so that the array moves seldom.
void* grow_or_exit(Diagnostics& diagnostics, void* block, std::size_t size, std::size_t& room);

// Holds the stored copies of lines in large chunks instead of one block per line.
class LineStore {
public:
    LineStore() = default;
    ~LineStore();
    LineStore(const LineStore&) = delete;
    LineStore& operator=(const LineStore&) = delete;

    // Room for size bytes, or nullptr when the memory cannot be had.
    char* take(Diagnostics& diagnostics, std::size_t size);

private:
    // Chunks grow from 64 KiB to 8 MiB, so that chunk requests are rare and a
    // small file stays small. A line copy needs at most 4,098 bytes.
    static constexpr std::size_t kLargestChunk = std::size_t{8} << 20;
    std::size_t next_chunk_size_ = std::size_t{32} << 10;

    struct Chunk {
        char* bytes;
        std::size_t size;
    };
    std::vector<Chunk> chunks_;
    char* free_ = nullptr;
    std::size_t room_ = 0;
};

// A copy of text (up to its length) followed by a NUL and two more zero bytes.
char* copy_line(Diagnostics& diagnostics, LineStore& store, std::string_view text);

}  // namespace vesk
