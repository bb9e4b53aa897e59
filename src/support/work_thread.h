// Work on a thread of its own beside the caller's (the second file's loading,
// and on large files a share of the matcher's): whatever the work throws is
// kept and thrown again by join(), on the caller's thread. Where no thread can
// be had, join() does the work there instead, so that it is done either way.
#pragma once

#include <cstdint>
#include <exception>
#include <functional>
#include <thread>

namespace vesk {

class WorkThread {
public:
    // Whether this machine runs two threads at once: where it does not, work
    // beside the caller's only takes turns with it.
    static bool helps();

    explicit WorkThread(std::function<void()> work);
    ~WorkThread();  // waits for the work; what it threw is dropped
    WorkThread(const WorkThread&) = delete;
    WorkThread& operator=(const WorkThread&) = delete;

    // Waits for the work (or does it), then throws what it threw.
    void join();

private:
    void run() noexcept;

    std::function<void()> work_;
    std::exception_ptr failed_;
    bool done_ = false;
    std::thread thread_;  // last: it starts once the rest is in place
};

// The first (half 0) or the second half [from, to) of count things.
struct HalfRange {
    std::int64_t from, to;
};
inline HalfRange half_of(std::int64_t count, int half) {
    return half == 0 ? HalfRange{0, count / 2} : HalfRange{count / 2, count};
}

// Runs work(0) here and work(1) on a thread of its own beside it where
// `beside`, else both here, one after the other.
template <class Work>
void in_halves(bool beside, Work&& work) {
    if (!beside) {
        work(0);
        work(1);
        return;
    }
    WorkThread other([&work] { work(1); });
    work(0);
    other.join();
}

}  // namespace vesk
