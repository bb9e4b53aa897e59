// An index over the first file's run table that answers the questions the
// matcher asks of a window without visiting every line: which is the next entry
// that does not fit the window, which fitting entry is the leftmost longest, and
// which deferred line has the leftmost longest entry. Only searched lines' entries
// count for the first two; retired and deferred lines count as fitting there.
// Index: the stored width of the summaries (every one a line number or a count),
// std::int32_t only where fits_32_bit_index() (matcher_tuning.h) allows.
#pragma once

#include <cstdint>
#include <vector>

#include "compare/match/run_table.h"
#include "support/memory.h"

namespace vesk {

// What the matcher knows of a line's entry, one byte per line of the first file.
enum LineState : std::uint8_t {
    // The entry is the one the steps of the matcher leave, searched again where it
    // does not fit.
    LINE_SEARCHED = 0,
    // Every later search would find nothing (length 0): it is not searched again.
    LINE_RETIRED = 1,
    // The entry is an upper bound of the line's run in every later window; the run
    // itself is searched for only when it could be chosen (see matcher.cpp).
    LINE_DEFERRED = 2,
    // Retired once deferred: its start is the last one found, not necessarily the
    // one the steps would have left.
    LINE_RETIRED_DEFERRED = 3,
    // Its window is done, marked without the entries (see Matcher::mark_one_line_runs()):
    // no later window holds it, and its entry is what it was.
    LINE_SETTLED = 4,
};

// Two half-open ranges: [lo1, hi1) of the first file by [lo2, hi2) of the second.
struct Window {
    std::int64_t lo1, hi1, lo2, hi2;
};

template <class Index>
class RunTree {
public:
    // Reads the run table and the line states where they are, for `count` lines,
    // of which only [from, to) are its own: the others are taken as absent, and
    // no window asked of the tree may hold one. update() must follow every
    // change of an entry or a state.
    RunTree(const RunTable<Index>& runs, const std::uint8_t* states, std::int64_t count, std::int64_t from,
            std::int64_t to);
    RunTree(const RunTable<Index>& runs, const std::uint8_t* states, std::int64_t count)
        : RunTree(runs, states, count, 0, count) {}

    // Lines [from, to) are no longer its own: another tree, on another thread,
    // takes them, and from now on this one reads nothing of theirs (a few
    // ranges at most are given away). What it knew of them stays in the nodes
    // above, where it can only make a node look less fitting and longer than
    // its own lines are, which costs a descent and changes no answer about a
    // window that holds none of them.
    void give_away(std::int64_t from, std::int64_t to);

    void update(std::int64_t line);

    // Whether line's entry fits the window (a line not searched again always does).
    bool fits(std::int64_t line, const Window& window) const {
        if (states_[line] != LINE_SEARCHED) return true;
        std::int64_t length = runs_.length(line);
        std::int64_t start = runs_.start(line);
        return start >= window.lo2 && line + length <= window.hi1 && start + length <= window.hi2;
    }

    // The first line in [from, window.hi1) whose entry does not fit the window,
    // or window.hi1 when every one fits.
    std::int64_t first_unfit(std::int64_t from, const Window& window);

    // The first deferred line of [lo1, hi1) whose entry is longer than every
    // deferred one before it and at least as long as every one after it; -1 when
    // there is none.
    std::int64_t longest_deferred(const Window& window);

    // The first deferred line after `after` in the window whose entry has
    // `length` lines, where one lies among the next few lines; -1 otherwise.
    std::int64_t next_deferred_of_length(std::int64_t after, std::int64_t length, const Window& window) const;

    // fitting: the first line of [lo1, hi1) whose entry fits the window and is
    // longer than every fitting entry before it and at least as long as every
    // one after it; -1 when no fitting entry has a length above 0 (searched
    // lines only). deferred: longest_deferred(). On a narrow window a single
    // pass over its lines answers both.
    struct Longest {
        std::int64_t fitting, deferred;
    };
    Longest longest(const Window& window);

private:
    // What a node knows of its searched lines: enough to tell whether all of
    // them fit a window, and the longest length among them.
    struct Summary {
        Index min_start;
        Index max_line_end;   // line + length
        Index max_start_end;  // start + length
        Index max_length;

        bool operator==(const Summary&) const = default;
    };
    struct Span {
        std::int64_t node, from, to;  // the node covers lines [from, to)
    };

    std::int64_t longest_fitting(const Window& window);  // Longest::fitting of a wide window
    void summarise_pending();
    void update_nodes();
    void settle();
    static Summary combine(const Summary& left, const Summary& right);
    void combine_children(std::int64_t node);
    static bool all_fit(const Summary& summary, const Window& window);
    Summary summarise_bucket(std::int64_t bucket, Index& longest_deferred) const;
    bool given_away(std::int64_t line) const;
    // The leaf of a bucket of its own lines, and the span of the root.
    std::size_t leaf(std::int64_t bucket) const { return static_cast<std::size_t>(leaves_ + bucket - first_bucket_); }
    Span root() const;
    Span child(const Span& span, int side) const;
    std::int64_t find_unfit(const Span& span, std::int64_t from, const Window& window) const;
    void find_longest(const Span& span, const Window& window, std::int64_t& best_line, std::int64_t& best_length) const;
    std::int64_t longest_fitting_among(std::int64_t from, std::int64_t to, const Window& window,
                                       std::int64_t shorter) const;
    std::int64_t leftmost_of_length(Span span, std::int64_t length) const;
    std::int64_t longest_deferred_among(std::int64_t from, std::int64_t to, std::int64_t shorter) const;

    const RunTable<Index>& runs_;
    const std::uint8_t* states_;
    std::int64_t count_;
    std::int64_t own_from_, own_to_;  // the lines it reads
    // Its leaves begin at the bucket of its first own line: a tree over a part
    // costs what the part's lines do, not the whole file's.
    std::int64_t first_bucket_;
    struct Lines {
        std::int64_t from, to;
    };
    std::vector<Lines> away_;  // of those, the ones given away
    std::int64_t leaves_;  // a power of two, at least the number of buckets
    WorkVector<Summary> nodes_;  // node 1 is the root; node k has children 2k and 2k + 1
    // Per node, the longest entry of its deferred lines, apart from the
    // summaries: the search for the longest deferred entry reads nothing else.
    WorkVector<Index> deferred_;
    std::int64_t pending_bucket_ = -1;  // a bucket whose summary is out of date
    // Buckets [changed_from_, changed_to_) hold every leaf whose summary changed
    // since the nodes above the leaves were last brought up to date.
    std::int64_t changed_from_ = 0, changed_to_ = 0;
};

extern template class RunTree<std::int32_t>;
extern template class RunTree<std::int64_t>;

}  // namespace vesk
