// Memory that never fails for its caller: when none is left, the operation
// reports it and ends the run with status 1. Sizes are 64-bit; the messages
// print them as decimal numbers of bytes or of K bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <vector>

#include "support/error_report.h"

namespace vesk {

// A zero-filled block of size bytes, to be released with std::free().
void* alloc_or_exit(Diagnostics& diagnostics, std::size_t size);
// The block resized to size bytes (perhaps moved); bytes past the old size are
// not cleared.
void* realloc_or_exit(Diagnostics& diagnostics, void* block, std::size_t size);

// Thrown when a working array of the comparison engine cannot get its memory;
// the engine's caller turns it into the out-of-memory message for that size.
struct MemoryShortage {
    std::size_t size;
};

// The allocator of those working arrays: memory from malloc, and a failure that
// says how much was asked for (std::bad_alloc does not).
template <class T>
struct ReportingAllocator {
    using value_type = T;

    ReportingAllocator() = default;
    template <class U>
    ReportingAllocator(const ReportingAllocator<U>&) noexcept {}

    T* allocate(std::size_t count) {
        if (count > SIZE_MAX / sizeof(T)) throw MemoryShortage{SIZE_MAX};
        void* block = std::malloc(count * sizeof(T));
        if (block == nullptr) throw MemoryShortage{count * sizeof(T)};
        return static_cast<T*>(block);
    }
    void deallocate(T* block, std::size_t) noexcept { std::free(block); }

    template <class U>
    bool operator==(const ReportingAllocator<U>&) const noexcept {
        return true;
    }
};

template <class T>
using WorkVector = std::vector<T, ReportingAllocator<T>>;

// Reports the shortage as a failed allocation of its size and ends the run with status 1.
[[noreturn]] void report_shortage(Diagnostics& diagnostics, const MemoryShortage& shortage);

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
