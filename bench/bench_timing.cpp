#include "bench_timing.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

namespace vesk::bench {

Timing time_runs(int runs, const std::function<void()>& run) {
    std::vector<double> times;
    for (int at = 0; at < runs; ++at) {
        auto start = std::chrono::steady_clock::now();
        run();
        times.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    }
    std::sort(times.begin(), times.end());
    return {times.front(), times[times.size() / 2], times.back()};
}

std::string describe(const Timing& timing) {
    char text[128];
    std::snprintf(text, sizeof text, "min %.1f ms  median %.1f ms  max %.1f ms", timing.min_ms, timing.median_ms,
                  timing.max_ms);
    return text;
}

}  // namespace vesk::bench
