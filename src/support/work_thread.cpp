#include "support/work_thread.h"

#include <new>
#include <system_error>
#include <utility>

namespace vesk {

bool WorkThread::helps() { return std::thread::hardware_concurrency() > 1; }

WorkThread::WorkThread(std::function<void()> work) : work_(std::move(work)) {
    try {
        thread_ = std::thread([this] { run(); });
    } catch (const std::system_error&) {
        // No thread to be had (its stack is memory too): join() does the work.
    } catch (const std::bad_alloc&) {
    }
}

WorkThread::~WorkThread() {
    if (thread_.joinable()) thread_.join();
}

void WorkThread::run() noexcept {
    try {
        work_();
    } catch (...) {
        failed_ = std::current_exception();
    }
    done_ = true;
}

void WorkThread::join() {
    if (thread_.joinable()) thread_.join();
    if (!done_) run();
    if (failed_) std::rethrow_exception(std::exchange(failed_, nullptr));
}

}  // namespace vesk
