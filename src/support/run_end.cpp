#include "support/run_end.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace vesk {
namespace {

// Process-wide, as the memory it stands for: whichever thread ends the run first
// gives it back.
std::atomic<void*> held_for_ending{nullptr};

void give_back_memory_for_ending() { std::free(held_for_ending.exchange(nullptr)); }

// Called by operator new when malloc finds no memory: the held memory goes back,
// and operator new tries once more; after that it fails as usual (bad_alloc).
void on_no_memory() {
    if (held_for_ending.load() == nullptr) std::set_new_handler(nullptr);
    give_back_memory_for_ending();
}

}  // namespace

bool hold_memory_for_ending() {
    if (held_for_ending.load() == nullptr) {
        void* held = std::malloc(MEMORY_FOR_ENDING);
        if (held == nullptr) return false;
        if (void* before = held_for_ending.exchange(held)) std::free(before);
    }
    std::set_new_handler(on_no_memory);
    return true;
}

void end_run(int status) {
    give_back_memory_for_ending();
    throw RunEnded{status};
}

void end_run_short_of(std::size_t refused_size) {
    give_back_memory_for_ending();
    throw MemoryShortage(refused_size);
}

}  // namespace vesk
