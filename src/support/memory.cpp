#include "support/memory.h"

#include <sys/mman.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "support/run_end.h"

namespace vesk {
namespace {

bool refused(Diagnostics& diagnostics, std::size_t size) {
    return diagnostics.refuse_memory && diagnostics.refuse_memory(size);
}

std::int64_t as_count(std::size_t size) {
    return size > static_cast<std::size_t>(INT64_MAX) ? INT64_MAX : static_cast<std::int64_t>(size);
}

// A size above 1,000 bytes is reported in K bytes. The two operations divide by
// different amounts, and only the first message starts with a line break.
struct FailureMessages {
    const char* in_bytes;
    const char* in_k_bytes;
    std::size_t bytes_per_k;
};

constexpr FailureMessages ALLOC_FAILURE{"\ncannot get the memory of %d bytes\n",
                                        "\ncannot get the memory of %d K bytes\n", 1024};
constexpr FailureMessages REALLOC_FAILURE{"cannot get the memory of %d bytes\n",
                                          "cannot get the memory of %d K bytes\n", 1000};

void write_failure(Diagnostics& diagnostics, std::size_t size, const FailureMessages& messages) {
    if (size > 1000)
        emit_error(diagnostics, messages.in_k_bytes, {as_count(size / messages.bytes_per_k)});
    else
        emit_error(diagnostics, messages.in_bytes, {as_count(size)});
}

[[noreturn]] void report_failure(Diagnostics& diagnostics, std::size_t size, const FailureMessages& messages) {
    write_failure(diagnostics, size, messages);
    end_run(1);
}

}  // namespace

void* alloc_or_exit(Diagnostics& diagnostics, std::size_t size) {
    // calloc of 0 bytes may give nullptr; one byte is as good and never fails for that.
    void* block = refused(diagnostics, size) ? nullptr : std::calloc(size == 0 ? 1 : size, 1);
    if (block == nullptr) report_failure(diagnostics, size, ALLOC_FAILURE);
    return block;
}

void report_shortage(Diagnostics& diagnostics, const MemoryShortage& shortage) {
    write_failure(diagnostics, shortage.size, ALLOC_FAILURE);
}

void* grow_or_exit(Diagnostics& diagnostics, void* block, std::size_t size, std::size_t& room) {
    if (refused(diagnostics, size)) report_failure(diagnostics, size, REALLOC_FAILURE);
    if (size <= room) return block;
    std::size_t doubled = std::max(size, room * 2);
    void* resized = std::realloc(block, doubled);
    if (resized == nullptr) report_failure(diagnostics, size, REALLOC_FAILURE);
    room = doubled;
    return resized;
}

LineStore::~LineStore() {
    for (const Chunk& chunk : chunks_) ::munmap(chunk.bytes, chunk.size);
}

char* LineStore::take(Diagnostics& diagnostics, std::size_t size) {
    if (refused(diagnostics, size)) return nullptr;
    if (size > room_) {
        // Chunks double from small to large, so that a small file stays small.
        next_chunk_size_ = std::min(next_chunk_size_ * 2, LARGEST_CHUNK);
        std::size_t chunk_size = std::max(size, next_chunk_size_);
        // The chunk's entry comes first, so that no chunk is ever mapped without one.
        chunks_.push_back({nullptr, 0});
        void* chunk = ::mmap(nullptr, chunk_size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (chunk == MAP_FAILED) {
            chunks_.pop_back();
            return nullptr;
        }
        chunks_.back() = {static_cast<char*>(chunk), chunk_size};
        free_ = static_cast<char*>(chunk);
        room_ = chunk_size;
    }
    char* block = free_;
    free_ += size;
    room_ -= size;
    return block;
}

char* copy_line(Diagnostics& diagnostics, LineStore& store, std::string_view text) {
    std::size_t size = text.size() + 3;
    char* copy = store.take(diagnostics, size);
    // The copy is requested as one block of its own would be, and fails as one.
    if (copy == nullptr) report_failure(diagnostics, size, ALLOC_FAILURE);
    std::memcpy(copy, text.data(), text.size());
    copy[text.size()] = copy[text.size() + 1] = copy[text.size() + 2] = '\0';
    return copy;
}

}  // namespace vesk
