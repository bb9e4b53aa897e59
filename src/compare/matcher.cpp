#include "compare/matcher.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <bit>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <vector>

#include "compare/match/run_finder.h"
#include "compare/match/run_measures.h"
#include "compare/match/run_tree.h"
#include "support/memory.h"
#include "support/run_end.h"
#include "support/work_thread.h"

namespace vesk {
namespace {

// See Matcher::first_pass_shared(): enough chunks that the two threads end
// within one of each other, few enough that each chunk's first lines, looked
// at whether or not the one pass would, cost nothing to speak of.
constexpr std::int64_t FIRST_PASS_CHUNKS = 64;

// Searches are postponed (Matcher::pass_line()) until more than one in
// POSTPONED_SHARE of the first pass's searches and POSTPONED_AT_LEAST in all
// were: on 4,000,000 lines of source against the same halved, or with a blank
// line after every line, fewer than one in a hundred are; on lines drawn from
// 64 values, all.
constexpr std::int64_t POSTPONED_SHARE = 8;
constexpr std::int64_t POSTPONED_AT_LEAST = 64;

std::int64_t near_miss_allowance(const LineTable& first, const LineTable& second, StretchHashing hashing) {
    return hashing == StretchHashing::after_near_misses ? first.count + second.count : 0;
}

RunFinderSettings finder_settings(const LineTable& first, const LineTable& second, const MatcherTuning& tuning) {
    return {tuning.hashing == StretchHashing::all_equal, near_miss_allowance(first, second, tuning.hashing),
            tuning.suffixes, tuning.chaining, tuning.beside_from_lines};
}

// The run table and a LineState per line (and the spare entry): the matcher's
// and its helper's (see Matcher::offer_part()).
template <class Index>
struct MatchTables {
    MatchTables(Diagnostics& diagnostics, std::int64_t count)
        : runs(diagnostics, count), states(static_cast<std::size_t>(count) + 1, LINE_SEARCHED) {}

    RunTable<Index> runs;
    WorkVector<std::uint8_t> states;
};

// Index: the stored width of line numbers in the matcher's own indexes.
template <class Index>
class Matcher {
public:
    Matcher(LineTable& first, LineTable& second, Diagnostics& diagnostics, const MatcherTuning& tuning)
        : first_(first),
          second_(second),
          diagnostics_(diagnostics),
          tables_(std::make_unique<MatchTables<Index>>(diagnostics, first.count)),
          runs_(tables_->runs),
          finder_(first, second, runs_, finder_settings(first, second, tuning)),
          states_(tables_->states.data()),
          sharing_(finder_.shares_work() ? std::make_unique<Sharing>() : nullptr),
          offers_any_part_(tuning.beside_from_lines == 0) {}
    // The helper of `origin`, which walks the parts offered to it (offer_part()).
    explicit Matcher(Matcher& origin)
        : first_(origin.first_),
          second_(origin.second_),
          diagnostics_(origin.diagnostics_),
          runs_(origin.runs_),
          finder_(typename RunFinder<Index>::Beside{}, origin.finder_),
          states_(origin.states_),
          shared_(origin.shared_),
          worker_(1),
          offers_any_part_(origin.offers_any_part_) {}

    void run();
    const RunTable<Index>& run_table() const { return runs_; }
    const WorkVector<std::uint8_t>& line_states() const { return tables_->states; }

private:
    [[gnu::always_inline]] inline void store_run(std::int64_t i, const FoundRun& found, std::int64_t hi2);
    bool may_defer(std::int64_t line, std::int64_t length) const;
    std::int64_t choose_run(const Window& window);
    void refresh_runs(const Window& window);
    // Where a refresh puts what its searches find (see refresh_runs()).
    class Stored;
    class Kept;
    struct Looked;
    struct RefreshShare;
    template <class Sink>
    void refresh_walk(const Window& window, std::int64_t from, Sink& sink);
    template <class Sink>
    [[gnu::always_inline]] inline std::int64_t look_at(std::int64_t line, const Window& window, Sink& sink, bool top);
    template <class Sink>
    std::int64_t refresh_alike(std::int64_t from, const Window& window, Sink& sink);
    template <class Sink>
    void step_through_long_run(std::int64_t& line, const Window& window, Sink& sink);
    bool offer_refresh(RefreshShare& share);
    void refresh_beside(RefreshShare& share);
    void mark_run(std::int64_t i1, std::int64_t i2, std::int64_t length, const Window& window);
    void mark_lines(std::int64_t i1, std::int64_t i2, std::int64_t length);
    void mark_one_line_runs(std::int64_t i1, std::int64_t i2, const Window& window);
    struct Sharing;
    bool offer_part(const Window& before, const Window& part);
    void walk_part(const Window& part);
    void walk_offered_parts();
    void end_sharing();
    void walk_shared(Matcher& helper, const Window& whole, std::int64_t chosen);
    [[gnu::always_inline]] inline std::int64_t pass_line(std::int64_t line);
    std::int64_t pass_over(std::int64_t from, std::int64_t to);
    void first_pass_shared(std::optional<Matcher>& helper);
    void settle_first_pass(std::span<const std::int64_t> starts, std::int64_t line);

    LineTable& first_;
    LineTable& second_;
    Diagnostics& diagnostics_;
    std::unique_ptr<MatchTables<Index>> tables_;  // the helper's are its origin's
    // Allocated when matching starts, at the width of the other indexes, since
    // nothing else ever reads it.
    RunTable<Index>& runs_;
    RunFinder<Index> finder_;
    // LINE_RETIRED: every later search of the line (look_at()) would store length 0 and keep
    // its start, so it is skipped. Once a search finds no line with d's fingerprint
    // in a window, every later window that holds d lies inside that one (windows
    // are nested or disjoint, and d's windows all hold d), so none holds one either.
    // LINE_DEFERRED: see may_defer().
    std::uint8_t* states_;
    // Built after the first pass, which looks at every line in order anyway.
    std::optional<RunTree<Index>> tree_;
    // Where a second thread helps: what the matcher and its helper share, and
    // which of the two this one is (0 the matcher, 1 the helper).
    std::unique_ptr<Sharing> sharing_;
    Sharing* shared_ = sharing_.get();
    int worker_ = 0;
    // Under the tuning that has a second thread help on files of any size,
    // every part after a run is offered, however small or lopsided, so that
    // handing parts on is tried as often as can be.
    bool offers_any_part_ = false;
    // The first pass's lines whose searches were postponed, in order (see
    // first_pass_shared()), and the searches it has made.
    WorkVector<std::int64_t> postponed_;
    std::int64_t searched_ = 0;
};

// Where a second thread helps, the matcher and its helper each walk parts, and
// each offers the other a part while the other has none: the part after a run
// that it would walk later, where that holds a 64th of both files' lines at
// least and the part before the run, which it keeps, an eighth as many. (A
// part handed on takes a tree of its own over its lines, made afresh; where
// runs peel off one by one from the front, as on files with an edit every
// thousand lines, the rest of the file would go back and forth between the
// walkers, each time with a new tree, for little work each.) So from the
// first run on an idle helper may take the end of the file while the matcher
// keeps the rest. No window of one part holds a line of another part, in
// either file, so each walker writes only its own lines' entries, states and
// marks, and the order the parts are walked in changes nothing; a search
// reads the entry of the line before its own, which is the last line of a
// marked run at a part's first line, and no walker writes it again. Both are
// done when neither has a part and none waits.
template <class Index>
struct Matcher<Index>::Sharing {
    std::mutex lock;
    std::condition_variable changed;
    std::array<std::optional<Window>, 2> offered;  // a part waiting for each walker
    std::array<RefreshShare*, 2> refresh_offered{};  // or a share of a refresh (see refresh_runs())
    std::array<std::atomic<bool>, 2> idle{};
    bool ended = false;  // both are done, or one failed
};

// What ended the sharing while a walker waited for its share of a refresh:
// the other failed, and what it threw is what the run ends with.
struct SharingEnded {};

// A refresh of a window of at least this many first-file lines is shared with
// an idle walker (see refresh_runs()).
constexpr std::int64_t SHARED_REFRESH_LINES = std::int64_t{1} << 16;

template <class Index>
void Matcher<Index>::store_run(std::int64_t i, const FoundRun& found, std::int64_t hi2) {
    runs_.set_length(i, found.length);
    if (found.length == 0) {
        states_[i] = states_[i] == LINE_DEFERRED ? LINE_RETIRED_DEFERRED : LINE_RETIRED;
    } else {
        if (found.start >= hi2) {
            emit_error(diagnostics_, "program error\n");
            end_run(2);
        }
        runs_.set_start(i, found.start);
        if (may_defer(i, found.length)) states_[i] = LINE_DEFERRED;
    }
    if (tree_) tree_->update(i);
}

// Whether a line whose search found a run of `length` lines may be deferred: its
// fingerprint v recurs nowhere in the run's other lines, and the run is not long.
//
// Then the scan skips no candidate: one inside a measured run of at most `length`
// lines, `k` lines after its start, would make fp1[line + k] = v for some k in
// [1, length). Every candidate is measured, or fails the test of the best length
// so far, or lies past the scan's end, and those it does not measure are shorter
// than the best. So what the scan records is the leftmost of the longest runs
// from the line that lie inside the window. In a window inside this one (every
// later window that holds the line is) the longest runs are no longer, so the
// same holds there, and the entry the steps leave when the line is refreshed is
// that leftmost longest run: kept when the old one fits (it is then still the
// leftmost longest), found again otherwise. Its length never grows, so the
// stored entry stays an upper bound, and the run itself is needed only where it
// could be chosen (choose_run()). Lines passed over by the steps through a long
// run keep their entries in the steps, but the long run beats them there.
// A long run is never deferred: refreshing it steps over the lines it covers.
template <class Index>
bool Matcher<Index>::may_defer(std::int64_t line, std::int64_t length) const {
    return length <= LONG_RUN && !first_recurs(first_.fingerprints + line, length);
}

// The tree answers exactly what the walk over [lo1, hi1) would, among searched
// lines: the first line whose fitting run is longer than every fitting one before
// it and no shorter than any after it. Retired lines count as fitting there, but
// their length is 0 and a run of length 0 is never chosen. A deferred line's
// stored length bounds its run here, so only the deferred line with the leftmost
// longest bound can beat that answer: if its stored run fits, that is its run;
// else its run is found, and either it holds the bound (the line wins) or the
// bound comes down to it and the next one is asked.
template <class Index>
std::int64_t Matcher<Index>::choose_run(const Window& window) {
    const auto [searched, first_deferred] = tree_->longest(window);
    const std::int64_t searched_length = searched == -1 ? 0 : runs_.length(searched);
    for (std::int64_t deferred = first_deferred;;) {
        if (deferred == -1) return searched;
        const std::int64_t bound = runs_.length(deferred);
        if (bound < searched_length || (bound == searched_length && deferred > searched)) return searched;
        // A stored run that fits is the leftmost longest here still (see may_defer()).
        const std::int64_t start = runs_.start(deferred);
        if (start >= window.lo2 && start + bound <= window.hi2 && deferred + bound <= window.hi1) return deferred;
        store_run(deferred, finder_.find(deferred, window.hi1, window.lo2, window.hi2), window.hi2);
        if (runs_.length(deferred) == bound) return deferred;
        // Every deferred line before this one has a lower bound and none after
        // it a higher one: the next with the same bound, where one comes soon,
        // is the leftmost longest now; else the tree tells.
        deferred = tree_->next_deferred_of_length(deferred, bound, window);
        if (deferred == -1) deferred = tree_->longest_deferred(window);
    }
}

// What the refresh of a share of a window found at a line it looked at.
template <class Index>
struct Matcher<Index>::Looked {
    Index start, length;
};

// The lines [from, hi1) of a window, refreshed beside the walker whose window
// it is, the run table untouched: which lines the walk looked at, and at
// which it came at the top of its loop, a bit per line of the share each;
// what it found at each, in line order.
template <class Index>
struct Matcher<Index>::RefreshShare {
    RefreshShare(const Window& window, std::int64_t from)
        : window(window), from(from), looked(words(window.hi1 - from)), tops(words(window.hi1 - from)) {}
    static std::size_t words(std::int64_t lines) { return static_cast<std::size_t>(lines / 64 + 1); }
    bool has(const WorkVector<std::uint64_t>& bits, std::int64_t line) const {
        const auto at = static_cast<std::size_t>(line - from);
        return (bits[at / 64] >> (at % 64) & 1) != 0;
    }
    void add(WorkVector<std::uint64_t>& bits, std::int64_t line) {
        const auto at = static_cast<std::size_t>(line - from);
        bits[at / 64] |= std::uint64_t{1} << (at % 64);
    }

    Window window;
    std::int64_t from;
    WorkVector<std::uint64_t> looked, tops;
    // In blocks of a few hundred bytes: a share's lines may be many or few, and
    // a vector grown by doubling would hold up to twice what they need.
    std::deque<Looked, ReportingAllocator<Looked>> found;
    bool done = false;
};

// The finds go into the run table at once. Where the other walker is idle and
// enough of a large window is left, the lines from the middle of what is left
// on are offered to it as a share; before this walk then writes one of the
// share's lines, or comes to one at the top of its loop, it waits for the
// share. Where the share's walk came to the same line at the top of its loop,
// the two walks go the same way from there on, and the share's finds from
// there on are stored; else this walk goes on alone.
template <class Index>
class Matcher<Index>::Stored {
public:
    Stored(Matcher& matcher, const Window& window) : matcher_(matcher), window_(window) {}
    bool at_top(std::int64_t line) {
        if (share_) return line < share_->from || !meets(line);
        if (line >= look_from_ && matcher_.shared_ != nullptr &&
            matcher_.shared_->idle[1 - matcher_.worker_].load(std::memory_order_relaxed)) [[unlikely]]
            offer(line);
        return true;
    }
    // The share's lines come to a run of lines alike only once it is done.
    std::int64_t alike_until() const { return share_ ? share_->from : window_.hi1; }
    std::int64_t keep(std::int64_t line, const FoundRun& found, bool) {
        if (share_ && line >= share_->from) wait();
        matcher_.store_run(line, found, window_.hi2);
        return found.length;
    }
    // Waits for the share where there is one.
    void wait() {
        if (!share_) return;
        const bool done = let_go();
        share_.reset();
        if (!done) throw SharingEnded{};
    }
    // Waits until the other walker has let go of the share: it is done, or it
    // failed (whether it is done then).
    bool let_go() {
        if (!share_) return true;
        Sharing& shared = *matcher_.shared_;
        std::unique_lock lock(shared.lock);
        shared.changed.wait(lock, [&] { return share_->done || shared.ended; });
        return share_->done;
    }

private:
    // Looked for again after this many lines where a share was not offered.
    static constexpr std::int64_t LOOK_EVERY = 4096;

    void offer(std::int64_t line) {
        look_from_ = line + LOOK_EVERY;
        const std::int64_t left = window_.hi1 - line;
        if (left < (matcher_.offers_any_part_ ? 2 : SHARED_REFRESH_LINES)) return;
        const std::int64_t from = line + left / 2;
        if (matcher_.tree_->first_unfit(from, window_) >= window_.hi1) return;
        auto share = std::make_unique<RefreshShare>(window_, from);
        if (matcher_.offer_refresh(*share)) share_ = std::move(share);
    }
    // Whether the walk meets the share's at `line`, storing the share's finds
    // from there on; the share is done with either way.
    bool meets(std::int64_t line) {
        const bool done = let_go();
        const std::unique_ptr<RefreshShare> share = std::move(share_);
        if (!done) throw SharingEnded{};
        if (!share->has(share->tops, line)) return false;
        // The share's finds from the line on: those after as many as it looked
        // at before the line.
        const auto word = static_cast<std::size_t>(line - share->from) / 64;
        std::size_t index = 0;
        for (std::size_t k = 0; k < word; ++k) index += static_cast<std::size_t>(std::popcount(share->looked[k]));
        for (std::int64_t at = share->from + static_cast<std::int64_t>(word) * 64; at < window_.hi1; ++at) {
            if (!share->has(share->looked, at)) continue;
            if (at >= line) {
                const Looked& found = share->found[index];
                matcher_.store_run(at, {found.length, found.start}, window_.hi2);
            }
            ++index;
        }
        return true;
    }

    Matcher& matcher_;
    const Window& window_;
    std::unique_ptr<RefreshShare> share_;
    std::int64_t look_from_ = 0;
};

// The finds of a share walked beside, kept apart.
template <class Index>
class Matcher<Index>::Kept {
public:
    explicit Kept(RefreshShare& share) : share_(share) {}
    bool at_top(std::int64_t) { return true; }
    std::int64_t alike_until() const { return share_.window.hi1; }
    std::int64_t keep(std::int64_t line, const FoundRun& found, bool top) {
        share_.add(share_.looked, line);
        if (top) share_.add(share_.tops, line);
        share_.found.push_back({static_cast<Index>(found.start), static_cast<Index>(found.length)});
        return found.length;
    }

private:
    RefreshShare& share_;
};

// Only entries that do not fit are acted on; the tree finds the next one
// directly, as the line-by-line walk would reach it after passing fitting ones.
// A retired line counts as fitting: the walk would search it (look_at()), which
// stores what is already there, and move on by one line, as it does for a fit.
// So does a deferred line: the walk would leave the leftmost longest run inside
// the window in its entry, which choose_run() finds when it matters.
//
// A large window's refresh is shared with the other walker where that one is
// idle (see Stored): it walks the lines of the share as if the window began
// there, keeping its finds apart. Each line's find depends only on the line
// and the window, and the walk only on the entries from the line it is at on,
// which neither walk changes before it gets there; so this walk, once it comes
// to a line at the top of its loop where the share's walk came too, goes on as
// that one did. It stops a run of lines alike at the share's first line, where
// the share's walk searches the lines it would have filled: they find the same.
template <class Index>
void Matcher<Index>::refresh_runs(const Window& window) {
    Stored sink(*this, window);
    try {
        refresh_walk(window, window.lo1, sink);
    } catch (...) {
        sink.let_go();
        throw;
    }
    sink.wait();
}

template <class Index>
template <class Sink>
void Matcher<Index>::refresh_walk(const Window& window, std::int64_t from, Sink& sink) {
    for (std::int64_t d = tree_->first_unfit(from, window); d < window.hi1; d = tree_->first_unfit(d, window)) {
        if (!sink.at_top(d)) return;
        if (runs_.length(d) <= LONG_RUN) {
            look_at(d, window, sink, true);
            d = refresh_alike(d + 1, window, sink);
        } else {
            step_through_long_run(d, window, sink);
        }
    }
}

// The search of a line in the window, unless the line is not searched again;
// returns its entry's length then.
template <class Index>
template <class Sink>
std::int64_t Matcher<Index>::look_at(std::int64_t line, const Window& window, Sink& sink, bool top) {
    if (line >= first_.count) {
        emit_error(diagnostics_, "program error!\n");
        end_run(2);
    }
    if (states_[line] != LINE_SEARCHED) return runs_.length(line);
    return sink.keep(line, finder_.find(line, window.hi1, window.lo2, window.hi2), top);
}

// The walk above from line `from` on, over the lines whose searches would only
// repeat the last search's answer (see RunFinder::last_search_holds_through()):
// they get it without asking. A line that fits is passed over, as the walk
// would; the first whose stored run is long is left to the walk, which steps
// through such a run. Returns the line the walk goes on from.
template <class Index>
template <class Sink>
std::int64_t Matcher<Index>::refresh_alike(std::int64_t from, const Window& window, Sink& sink) {
    const std::int64_t through =
        std::min(finder_.last_search_holds_through(window.hi1, window.lo2, window.hi2), sink.alike_until() - 1);
    const FoundRun found = finder_.last_found();
    std::int64_t line = from;
    for (; line <= through; ++line) {
        if (tree_->fits(line, window)) continue;
        if (runs_.length(line) > LONG_RUN) break;
        sink.keep(line, found, false);
    }
    return line;
}

// A stored long run that no longer fits: search again along it, stepping over
// the lines that newly found long runs cover, without looking at them.
template <class Index>
template <class Sink>
void Matcher<Index>::step_through_long_run(std::int64_t& line, const Window& window, Sink& sink) {
    std::int64_t length = runs_.length(line);
    std::int64_t start = runs_.start(line);
    bool runs_past = line + length > window.hi1 || start + length > window.hi2;
    std::int64_t count = runs_past ? window.hi1 - line : length;
    for (std::int64_t done = 0; done < count;) {
        const std::int64_t found = look_at(line, window, sink, done == 0);
        std::int64_t step = found > LONG_RUN ? found : 1;
        line += step;
        done += step;
    }
}

// Offers the share to the other walker, if it is idle still.
template <class Index>
bool Matcher<Index>::offer_refresh(RefreshShare& share) {
    std::lock_guard lock(shared_->lock);
    const int other = 1 - worker_;
    if (!shared_->idle[other] || shared_->offered[other] || shared_->refresh_offered[other] || shared_->ended)
        return false;
    shared_->refresh_offered[other] = &share;
    shared_->idle[other] = false;
    shared_->changed.notify_all();
    return true;
}

// The share's walk, with a tree of its own over the share's lines. The search
// reads no entry before the share's first line, which the other walker writes.
template <class Index>
void Matcher<Index>::refresh_beside(RefreshShare& share) {
    tree_.emplace(runs_, states_, first_.count, share.from, share.window.hi1);
    finder_.read_runs_from(share.from);
    Kept sink(share);
    refresh_walk(share.window, share.from, sink);
    finder_.read_runs_from(0);
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
        if (length == 1) {
            mark_one_line_runs(i1, i2, around);
        } else {
            mark_lines(i1, i2, length);
            const Window before{around.lo1, i1, around.lo2, i2};
            const Window after{i1 + length, around.hi1, i2 + length, around.hi2};
            if (after.lo1 < after.hi1 && !offer_part(before, after)) parts.push_back(after);
            if (before.lo1 < before.hi1) parts.push_back(before);
        }
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

// The window's leftmost longest run, (i1, i2), is one line long, so every run
// in it, and in every window inside it, is. Then the part before a run the walk
// marks holds no line that occurs among the part's second-file lines (a line
// before the leftmost longest run has no run there), and in the part after it
// the walk marks the first line that occurs among the second-file lines left,
// at the first place it occurs there. So the walk through the window marks its
// lines in order, each at the first place of its fingerprint after the last
// place marked, where there is one before hi2: that is done here directly,
// without the entries. No later window holds the window's lines (windows are
// nested or apart), so their entries are read no more; they are settled.
template <class Index>
void Matcher<Index>::mark_one_line_runs(std::int64_t i1, std::int64_t i2, const Window& window) {
    mark_lines(i1, i2, 1);
    for (std::int64_t line = i1 + 1, from2 = i2 + 1; line < window.hi1 && from2 < window.hi2; ++line) {
        const std::int64_t at = finder_.first_at_or_after(line, from2);
        if (at >= window.hi2) continue;
        mark_lines(line, at, 1);
        from2 = at + 1;
    }
    std::fill(states_ + window.lo1, states_ + window.hi1, LINE_SETTLED);
}

// Hands the part after a run to the other walker if that one is idle and the
// part large enough beside the one before the run (see Sharing). The part's
// lines leave this walker's tree first.
template <class Index>
bool Matcher<Index>::offer_part(const Window& before, const Window& part) {
    if (shared_ == nullptr || !shared_->idle[1 - worker_].load(std::memory_order_relaxed)) return false;
    auto lines = [](const Window& window) { return window.hi1 - window.lo1 + window.hi2 - window.lo2; };
    const bool large = 64 * lines(part) >= first_.count + second_.count && 8 * lines(before) >= lines(part);
    if (!large && !offers_any_part_) return false;
    std::lock_guard lock(shared_->lock);
    const int other = 1 - worker_;
    if (!shared_->idle[other] || shared_->offered[other] || shared_->ended) return false;
    tree_->give_away(part.lo1, part.hi1);
    shared_->offered[other] = part;
    shared_->idle[other] = false;
    shared_->changed.notify_all();
    return true;
}

// A part handed over, walked as mark_run() would have walked it there.
template <class Index>
void Matcher<Index>::walk_part(const Window& part) {
    tree_.emplace(runs_, states_, first_.count, part.lo1, part.hi1);
    refresh_runs(part);
    const std::int64_t chosen = choose_run(part);
    if (chosen != -1) mark_run(chosen, runs_.start(chosen), runs_.length(chosen), part);
}

// Waits for parts and walks them until both walkers are done. A walker that
// fails ends the waiting of both; what it threw goes on to its caller.
template <class Index>
void Matcher<Index>::walk_offered_parts() {
    try {
        for (;;) {
            std::unique_lock lock(shared_->lock);
            if (!shared_->offered[worker_]) {
                shared_->idle[worker_] = true;
                shared_->changed.notify_all();
            }
            shared_->changed.wait(lock, [this] {
                return shared_->offered[worker_] || shared_->refresh_offered[worker_] != nullptr || shared_->ended ||
                       (shared_->idle[0] && shared_->idle[1]);
            });
            if (RefreshShare* share = shared_->refresh_offered[worker_]) {
                shared_->refresh_offered[worker_] = nullptr;
                lock.unlock();
                refresh_beside(*share);
                lock.lock();
                share->done = true;
                shared_->changed.notify_all();
                continue;
            }
            if (!shared_->offered[worker_]) {
                shared_->ended = true;
                shared_->changed.notify_all();
                return;
            }
            const Window part = *shared_->offered[worker_];
            shared_->offered[worker_].reset();
            lock.unlock();
            walk_part(part);
        }
    } catch (...) {
        end_sharing();
        throw;
    }
}

template <class Index>
void Matcher<Index>::end_sharing() {
    std::lock_guard lock(shared_->lock);
    shared_->ended = true;
    shared_->changed.notify_all();
}

// The walk from the whole window, with a helper on a second thread from the
// start: it waits for the first part offered to it, and counts as idle before
// its thread is under way, so that the part after the first run can be its.
template <class Index>
void Matcher<Index>::walk_shared(Matcher& helper, const Window& whole, std::int64_t chosen) {
    {
        std::lock_guard lock(shared_->lock);
        shared_->idle[1] = true;
    }
    WorkThread helping([&helper] { helper.walk_offered_parts(); });
    try {
        if (chosen != -1) mark_run(chosen, runs_.start(chosen), runs_.length(chosen), whole);
        walk_offered_parts();
    } catch (const SharingEnded&) {
        helping.join();  // throws what ended the helper's walk
        throw;
    } catch (...) {
        end_sharing();
        throw;
    }
    helping.join();
}

// The first pass's look at a line, unless it has had it (its entry is then
// no longer 0 and 0 with the line searched): returns the next line it looks at.
// A search postponed (RunFinder::postpone_swarming()) leaves the line as it
// was, and the pass goes on at the next line, as if its run were short; the
// search is made later, and settle_first_pass() sets right what the pass did
// meanwhile.
template <class Index>
std::int64_t Matcher<Index>::pass_line(std::int64_t line) {
    if (runs_.length(line) == 0 && states_[line] == LINE_SEARCHED) {
        const FoundRun found = finder_.find(line, first_.count, 0, second_.count);
        ++searched_;
        if (finder_.take_postponed()) [[unlikely]] {
            postponed_.push_back(line);
            // Postponing serves where the searches that swarm are a few among
            // many; where they are most, as on files of few distinct lines,
            // the pass would go on line by line through runs it steps over.
            const auto postponed = static_cast<std::int64_t>(postponed_.size());
            if (postponed >= POSTPONED_AT_LEAST && postponed * POSTPONED_SHARE > searched_)
                finder_.postpone_swarming(false);
            return line + 1;
        }
        store_run(line, found, second_.count);
    }
    return line + (runs_.length(line) > LONG_RUN ? runs_.length(line) : 1);
}

// The first pass from line `from` on, up to the first line it would look at
// from `to` on, which it returns.
template <class Index>
std::int64_t Matcher<Index>::pass_over(std::int64_t from, std::int64_t to) {
    std::int64_t line = from;
    while (line < to) line = pass_line(line);
    return line;
}

// Where a second thread helps, the first pass goes over the first file in
// FIRST_PASS_CHUNKS chunks. The matcher goes over them alone, in order, until a
// search has been handed over to the chains or the suffix index: before that
// the searches go through the blocks, where those that swarm are slow, and the
// second thread makes the suffix index ahead, or the matcher's makes the chains
// (which the helper would wait for); on files whose searches never swarm the
// pass is fast anyway. While the index is being made ahead, a search that
// swarms is postponed, so that the matcher goes on with the searches that do
// not. Then the matcher and its helper make the postponed searches and take
// the chunks that are left in turn, each chunk looked at as if the pass began
// at its first line. Every search is in the whole window, so what it finds
// does not depend on who searched or when; only which lines the pass looks
// at does, and settle_first_pass() brings that to what one pass from line 0
// would have done. The helper is made where it first takes part.
template <class Index>
void Matcher<Index>::first_pass_shared(std::optional<Matcher>& helper) {
    const std::int64_t n1 = first_.count;
    const std::int64_t chunk = std::max<std::int64_t>(1, (n1 + FIRST_PASS_CHUNKS - 1) / FIRST_PASS_CHUNKS);
    // Under the tuning that has a second thread help on files of any size,
    // the first half goes alone, every search in it that swarms postponed.
    const std::int64_t alone_until = offers_any_part_ ? n1 / 2 : n1;
    std::int64_t line = 0;
    finder_.postpone_swarming(true);
    while (line < alone_until && !finder_.handed_over_beside())
        line = pass_over(line, std::min(n1, (line / chunk + 1) * chunk));
    finder_.postpone_swarming(false);
    if (line >= n1 && postponed_.empty()) return;
    // Made only now: from here on the two finders share what either makes,
    // and until here the matcher's own hashes may go at its first handover.
    helper.emplace(*this);
    const std::int64_t shared_from = std::min(n1, (line + chunk - 1) / chunk * chunk);
    line = pass_over(line, shared_from);
    std::atomic<std::size_t> next_postponed{0};
    std::atomic<std::int64_t> next{shared_from};
    auto take_work = [this, &next_postponed, &next, chunk, n1](Matcher& walker) {
        walker.finder_.hurry_to_index(true);
        for (std::size_t k; (k = next_postponed.fetch_add(1)) < postponed_.size();) {
            const std::int64_t postponed = postponed_[k];
            walker.finder_.read_runs_from(postponed);
            walker.store_run(postponed, walker.finder_.find(postponed, n1, 0, second_.count), second_.count);
        }
        walker.finder_.hurry_to_index(false);
        for (std::int64_t from; (from = next.fetch_add(chunk)) < n1;) {
            walker.finder_.read_runs_from(from);
            walker.pass_over(from, std::min(n1, from + chunk));
        }
    };
    {
        WorkThread helping([&take_work, &helper] { take_work(*helper); });
        try {
            take_work(*this);
        } catch (...) {
            next_postponed = postponed_.size();
            next = n1;
            throw;
        }
        helping.join();
    }
    finder_.read_runs_from(0);
    helper->finder_.read_runs_from(0);
    // Each postponed line's pass went on at the next line, each chunk's at its
    // first; the one pass is exact up to the first postponed line.
    WorkVector<std::int64_t> starts;
    for (const std::int64_t postponed : postponed_)
        if (postponed + 1 < shared_from) starts.push_back(postponed + 1);
    for (std::int64_t from = shared_from; from < n1; from += chunk) starts.push_back(from);
    settle_first_pass(starts, postponed_.empty() ? line : postponed_.front());
    postponed_ = {};
}

// Follows the one pass, from `line` on, and side by side the walks that began
// at each of `starts` (in order, each going on to the next start). A walk
// agrees with the pass from the first line both look at; the lines it looked
// at before that, which the pass steps over inside a long run, get their
// entries back (0 and 0, searched); a line the pass looks at and no walk did
// is searched now.
template <class Index>
void Matcher<Index>::settle_first_pass(std::span<const std::int64_t> starts, std::int64_t line) {
    const std::int64_t n1 = first_.count;
    for (std::size_t k = 0; k < starts.size(); ++k) {
        const std::int64_t end = k + 1 < starts.size() ? starts[k + 1] : n1;
        for (std::int64_t own = starts[k]; own < end;) {
            line = pass_over(line, own);
            if (line == own) break;
            const std::int64_t next = own + (runs_.length(own) > LONG_RUN ? runs_.length(own) : 1);
            runs_.set_length(own, 0);
            runs_.set_start(own, 0);
            states_[own] = LINE_SEARCHED;
            own = next;
        }
    }
    pass_over(line, n1);
}

template <class Index>
void Matcher<Index>::run() {
    const std::int64_t n1 = first_.count;
    const std::int64_t n2 = second_.count;
    // Where the first pass never needed the helper, the walk needs it no more.
    std::optional<Matcher> helper;
    if (shared_ != nullptr) first_pass_shared(helper);
    else pass_over(0, n1);
    if (!helper) shared_ = nullptr;
    tree_.emplace(runs_, states_, n1);
    Window whole{0, n1, 0, n2};
    std::int64_t chosen = choose_run(whole);
    if (helper) walk_shared(*helper, whole, chosen);
    else if (chosen != -1) mark_run(chosen, runs_.start(chosen), runs_.length(chosen), whole);
}

bool fits_narrow_index(const LineTable& first, const LineTable& second) {
    return fits_32_bit_index(first.count, second.count);
}

template <class Index>
void match_with(LineTable& first, LineTable& second, Diagnostics& diagnostics, const MatcherTuning& tuning,
                RunTableEntries* entries) {
    Matcher<Index> matcher(first, second, diagnostics, tuning);
    matcher.run();
    if (entries == nullptr) return;
    *entries = matcher.run_table().entries();
    const auto& states = matcher.line_states();
    entries->deferred.assign(states.size(), 0);
    entries->settled.assign(states.size(), 0);
    for (std::size_t line = 0; line < states.size(); ++line) {
        entries->deferred[line] = states[line] == LINE_DEFERRED || states[line] == LINE_RETIRED_DEFERRED;
        entries->settled[line] = states[line] == LINE_SETTLED;
    }
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
