// Memory that never fails for its caller: when none is left, the operation
// reports it and ends the run with status 1. Sizes are 64-bit; the messages
// print them as decimal numbers of bytes or of K bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string_view>
#include <vector>

#include "support/error_report.h"
#include "support/run_end.h"

namespace vesk {

// A zero-filled block of size bytes, to be released with std::free(). "exit"
// is what the user sees: when no memory is left the message is written and the
// run ends (end_run), and vesk exits with status 1.
void* alloc_or_exit(Diagnostics& diagnostics, std::size_t size);

// The allocator of the working arrays: memory from malloc, and a failure that
// says how much was asked for (std::bad_alloc does not): MemoryShortage.
template <class T>
struct ReportingAllocator {
    using value_type = T;

    ReportingAllocator() = default;
    template <class U>
    ReportingAllocator(const ReportingAllocator<U>&) noexcept {}

    T* allocate(std::size_t count) {
        if (count > SIZE_MAX / sizeof(T)) end_run_short_of(SIZE_MAX);
        void* block = std::malloc(count * sizeof(T));
        if (block == nullptr) end_run_short_of(count * sizeof(T));
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

// A buffer from malloc, released with its owner.
struct FreeBuffer {
    void operator()(void* buffer) const noexcept { std::free(buffer); }
};
template <class T>
using Buffer = std::unique_ptr<T[], FreeBuffer>;

// count elements of T, not cleared (for a buffer whose bytes are written before
// they are read), refused as a working array is: MemoryShortage.
template <class T>
Buffer<T> take_buffer(std::size_t count) {
    return Buffer<T>(ReportingAllocator<T>().allocate(count));
}

// Writes the out-of-memory message of a shortage: a failed allocation of its size.
void report_shortage(Diagnostics& diagnostics, const MemoryShortage& shortage);

// For an array that grows in many small steps: the block resized to size bytes,
// but moved only when size exceeds `room` (its bytes), which then doubles, so
// that the array moves seldom. Refused like a reallocation: its message (the
// size in bytes, or in K bytes of 1,000), and the run ends with status 1.
void* grow_or_exit(Diagnostics& diagnostics, void* block, std::size_t size, std::size_t& room);

// Holds the stored copies of lines in large chunks instead of one block per line.
class LineStore {
public:
    LineStore() = default;
    ~LineStore();
    LineStore(const LineStore&) = delete;
    LineStore& operator=(const LineStore&) = delete;

    // Room for size bytes, or nullptr when the memory cannot be had (a
    // MemoryShortage when not even the entry of a new chunk can be).
    char* take(Diagnostics& diagnostics, std::size_t size);

private:
    // Chunks grow from 64 KiB to 8 MiB, so that chunk requests are rare and a
    // small file stays small. A line copy needs at most 4,098 bytes.
    static constexpr std::size_t LARGEST_CHUNK = std::size_t{8} << 20;
    std::size_t next_chunk_size_ = std::size_t{32} << 10;

    struct Chunk {
        char* bytes;
        std::size_t size;
    };
    WorkVector<Chunk> chunks_;
    char* free_ = nullptr;
    std::size_t room_ = 0;
};

// A copy of text (up to its length) followed by a NUL and two more zero bytes.
char* copy_line(Diagnostics& diagnostics, LineStore& store, std::string_view text);

}  // namespace vesk
