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

}  // namespace vesk
