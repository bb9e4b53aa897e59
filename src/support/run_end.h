// How a run ends from deep inside: the message is written where the failure is
// found, then end_run() unwinds to execute(), the one place that turns the
// status into the exit status. Nothing else catches RunEnded for good (a loading
// thread hands it on to the thread that waits for it).
#pragma once

#include <cstddef>

namespace vesk {

struct RunEnded {
    int status;
};

// Memory refused to the working arrays of the comparison engine, whose allocator
// has no way to write a message. execute() writes the out-of-memory message for
// `size` once unwinding has released the arrays; the status is 1, as for every
// refused allocation.
struct MemoryShortage : RunEnded {
    explicit MemoryShortage(std::size_t refused_size) : RunEnded{1}, size(refused_size) {}
    std::size_t size;
};

[[noreturn]] void end_run(int status);
// The same for memory refused to a working array or buffer: a MemoryShortage.
[[noreturn]] void end_run_short_of(std::size_t refused_size);

// The memory that ending a run takes: throwing allocates the exception, and
// unwinding the loading thread a little more. When no memory is left, not even
// that would be had, and the process would abort instead of ending with its
// message, so some is held back: taken before anything else by
// hold_memory_for_ending() (false when it cannot be had), given back by
// end_run() and end_run_short_of() before they throw, and by the standard
// library's allocations when they find no memory (its new handler).
constexpr std::size_t MEMORY_FOR_ENDING = 64 * 1024;
bool hold_memory_for_ending();

}  // namespace vesk
