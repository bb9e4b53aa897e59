// Repeats a run and reports min / median / max wall time in milliseconds.
#pragma once

#include <functional>
#include <string>

namespace vesk::bench {

struct Timing {
    double min_ms, median_ms, max_ms;
};

Timing time_runs(int runs, const std::function<void()>& run);
std::string describe(const Timing& timing);

}  // namespace vesk::bench
