#include "compare/matcher.h"

#include <limits>
#include <optional>
#include <vector>

#include "compare/run_finder.h"
#include "compare/run_tree.h"
#include "support/memory.h"
#include "support/run_end.h"

namespace vesk {
namespace {

std::int64_t near_miss_allowance(const LineTable& first, const LineTable& second, StretchHashing hashing) {
    return hashing == StretchHashing::after_near_misses ? first.count + second.count : 0;
}

RunFinderSettings finder_settings(const LineTable& first, const LineTable& second, const MatcherTuning& tuning) {
    return {tuning.hashing == StretchHashing::all_equal, near_miss_allowance(first, second, tuning.hashing),
            tuning.suffixes};
}

// Index: the stored width of line numbers in the matcher's own indexes.
template <class Index>
class Matcher {
public:
    Matcher(LineTable& first, LineTable& second, Diagnostics& diagnostics, const MatcherTuning& tuning)
        : first_(first),
          second_(second),
          diagnostics_(diagnostics),
          runs_(diagnostics, first.count),
          finder_(first, second, runs_, finder_settings(first, second, tuning)),
          retired_(static_cast<std::size_t>(first.count) + 1, 0) {}

    void run();
    const RunTable<Index>& run_table() const { return runs_; }

private:
    void find_run(std::int64_t i, std::int64_t end1, std::int64_t lo2, std::int64_t hi2);
    void store_run(std::int64_t i, const FoundRun& found, std::int64_t hi2);
    std::int64_t refresh_alike(std::int64_t from, const Window& window);
    // The tree answers exactly what the walk over [lo1, hi1) would: the first line
    // whose fitting run is longer than every fitting one before it and no shorter
    // than any after it. Retired lines count as fitting there, but their length
    // is 0 and a run of length 0 is never chosen.
    std::int64_t choose_run(const Window& window) { return tree_->longest_fitting(window); }
    void refresh_runs(const Window& window);
    void step_through_long_run(std::int64_t& line, const Window& window);
    void mark_run(std::int64_t i1, std::int64_t i2, std::int64_t length, const Window& window);
    void mark_lines(std::int64_t i1, std::int64_t i2, std::int64_t length);

    LineTable& first_;
    LineTable& second_;
    Diagnostics& diagnostics_;
    // Allocated when matching starts, at the width of the other indexes, since
    // nothing else ever reads it.
    RunTable<Index> runs_;
    RunFinder<Index> finder_;
    // retired_[d]: every later find_run on line d would store length 0 and keep
    // its start, so it is skipped. Once find_run finds no line with d's fingerprint
    // in a window, every later window that holds d lies inside that one (windows
    // are nested or disjoint, and d's windows all hold d), so none holds one either.
    WorkVector<std::uint8_t> retired_;
    // Built after the first pass, which looks at every line in order anyway.
    std::optional<RunTree<Index>> tree_;
};

template <class Index>
void Matcher<Index>::find_run(std::int64_t i, std::int64_t end1, std::int64_t lo2, std::int64_t hi2) {
    if (i >= first_.count) {
        emit_error(diagnostics_, "program error!\n");
        end_run(2);
    }
    if (retired_[i] != 0) return;
    store_run(i, finder_.find(i, end1, lo2, hi2), hi2);
}

template <class Index>
void Matcher<Index>::store_run(std::int64_t i, const FoundRun& found, std::int64_t hi2) {
    runs_.set_length(i, found.length);
    if (found.length == 0) {
        retired_[i] = 1;
    } else {
        if (found.start >= hi2) {
            emit_error(diagnostics_, "program error\n");
            end_run(2);
        }
        runs_.set_start(i, found.start);
    }
    if (tree_) tree_->update(i);
}

// Only entries that do not fit are acted on; the tree finds the next one
// directly, as the line-by-line walk would reach it after passing fitting ones.
// A retired line counts as fitting: the walk would call find_run on it, which
// stores what is already there, and move on by one line, as it does for a fit.
template <class Index>
void Matcher<Index>::refresh_runs(const Window& window) {
    for (std::int64_t d = tree_->first_unfit(window.lo1, window); d < window.hi1;
         d = tree_->first_unfit(d, window)) {
        if (runs_.length(d) <= LONG_RUN) {
            find_run(d, window.hi1, window.lo2, window.hi2);
            d = refresh_alike(d + 1, window);
        } else {
            step_through_long_run(d, window);
        }
    }
}

// The walk above from line `from` on, over the lines whose searches would only
// repeat the last search's answer (see RunFinder::last_search_holds_through()):
// they get it without asking. A line that fits is passed over, as the walk
// would; the first whose stored run is long is left to the walk, which steps
// through such a run. Returns the line the walk goes on from.
template <class Index>
std::int64_t Matcher<Index>::refresh_alike(std::int64_t from, const Window& window) {
    const std::int64_t through = finder_.last_search_holds_through(window.hi1, window.lo2, window.hi2);
    const FoundRun found = finder_.last_found();
    std::int64_t line = from;
    for (; line <= through; ++line) {
        if (tree_->fits(line, window)) continue;
        if (runs_.length(line) > LONG_RUN) break;
        store_run(line, found, window.hi2);
    }
    return line;
}

// A stored long run that no longer fits: search again along it, stepping over
// the lines that newly found long runs cover, without looking at them.
template <class Index>
void Matcher<Index>::step_through_long_run(std::int64_t& line, const Window& window) {
    std::int64_t length = runs_.length(line);
    std::int64_t start = runs_.start(line);
    bool runs_past = line + length > window.hi1 || start + length > window.hi2;
    std::int64_t count = runs_past ? window.hi1 - line : length;
    for (std::int64_t done = 0; done < count;) {
        find_run(line, window.hi1, window.lo2, window.hi2);
        std::int64_t step = runs_.length(line) > LONG_RUN ? runs_.length(line) : 1;
        line += step;
        done += step;
    }
}

template <class Index>
void Matcher<Index>::mark_lines(std::int64_t i1, std::int64_t i2, std::int64_t length) {
    for (std::int64_t k = 0; k < length; ++k) {
        if (first_.marks[i1 + k] != MARK_UNMATCHED || second_.marks[i2 + k] != MARK_UNMATCHED) {
            emit_error(diagnostics_, "program error: multiple flag set\n");
            end_run(2);
        }
        first_.marks[i1 + k] = MARK_MATCHED;
        second_.marks[i2 + k] = MARK_MATCHED;
    }
}

// Marks the run, then handles the window's part before it completely and then
// the part after it. The nesting can be as deep as there are runs, so pending
// parts wait on an explicit stack instead of the call stack; the part after a run
// is pushed first so that the part before it (and all it leads to) is done first.
template <class Index>
void Matcher<Index>::mark_run(std::int64_t i1, std::int64_t i2, std::int64_t length, const Window& window) {
    WorkVector<Window> parts;
    Window around = window;
    for (;;) {
        mark_lines(i1, i2, length);
        if (i1 + length < around.hi1) parts.push_back({i1 + length, around.hi1, i2 + length, around.hi2});
        if (i1 > around.lo1) parts.push_back({around.lo1, i1, around.lo2, i2});
        std::int64_t chosen = -1;
        while (chosen == -1 && !parts.empty()) {
            around = parts.back();
            parts.pop_back();
            refresh_runs(around);
            chosen = choose_run(around);
        }
        if (chosen == -1) return;
        i1 = chosen;
        i2 = runs_.start(chosen);
        length = runs_.length(chosen);
    }
}

template <class Index>
void Matcher<Index>::run() {
    const std::int64_t n1 = first_.count;
    const std::int64_t n2 = second_.count;
    for (std::int64_t i = 0; i < n1;) {
        find_run(i, n1, 0, n2);
        i += runs_.length(i) > LONG_RUN ? runs_.length(i) : 1;
    }
    tree_.emplace(runs_, retired_.data(), n1);
    Window whole{0, n1, 0, n2};
    std::int64_t chosen = choose_run(whole);
    if (chosen != -1) mark_run(chosen, runs_.start(chosen), runs_.length(chosen), whole);
}

// Every value the indexes hold is a line number, a line count, a block or group
// position, or a place in both files laid end to end with two more lines (the
// suffix index's text).
bool fits_narrow_index(const LineTable& first, const LineTable& second) {
    constexpr std::int64_t NARROW_MOST = std::numeric_limits<std::int32_t>::max();
    return first.count + second.count + 2 <= NARROW_MOST;
}

template <class Index>
void match_with(LineTable& first, LineTable& second, Diagnostics& diagnostics, const MatcherTuning& tuning,
                RunTableEntries* entries) {
    Matcher<Index> matcher(first, second, diagnostics, tuning);
    matcher.run();
    if (entries != nullptr) *entries = matcher.run_table().entries();
}

// entries: where to hand back the run table, or nullptr.
void match_at_width(LineTable& first, LineTable& second, Diagnostics& diagnostics, const MatcherTuning& tuning,
                    RunTableEntries* entries) {
    if (tuning.width == IndexWidth::fitting && fits_narrow_index(first, second))
        match_with<std::int32_t>(first, second, diagnostics, tuning, entries);
    else
        match_with<std::int64_t>(first, second, diagnostics, tuning, entries);
}

}  // namespace

RunTableEntries match_lines(LineTable& first, LineTable& second, Diagnostics& diagnostics,
                            const MatcherTuning& tuning) {
    RunTableEntries entries;
    match_at_width(first, second, diagnostics, tuning, &entries);
    return entries;
}

void match_lines(LineTable& first, LineTable& second, Diagnostics& diagnostics) {
    match_at_width(first, second, diagnostics, MatcherTuning{}, nullptr);
}

}  // namespace vesk
