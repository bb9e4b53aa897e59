#include "compare/match/run_tree.h"

#include <algorithm>
#include <array>
#include <bit>
#include <limits>

namespace vesk {
namespace {

// Lines per leaf: small enough that rescanning a leaf after each change is cheap,
// large enough that the tree takes a fraction of the run table's memory.
constexpr std::int64_t BUCKET = 16;

// Windows this narrow are scanned line by line: most windows are narrow, and a
// straight pass over a few leaves' entries costs less than the descent with its
// scattered reads (8 leaves measured best among 2, 4 and 8 on pair B).
constexpr std::int64_t DIRECT_SCAN = 8 * BUCKET;

template <class Index>
constexpr Index HIGHEST = std::numeric_limits<Index>::max();
template <class Index>
constexpr Index LOWEST = std::numeric_limits<Index>::min();

}  // namespace

template <class Index>
typename RunTree<Index>::Summary RunTree<Index>::combine(const Summary& left, const Summary& right) {
    return {std::min(left.min_start, right.min_start), std::max(left.max_line_end, right.max_line_end),
            std::max(left.max_start_end, right.max_start_end), std::max(left.max_length, right.max_length)};
}

template <class Index>
RunTree<Index>::RunTree(const RunTable<Index>& runs, const std::uint8_t* states, std::int64_t count,
                        std::int64_t from, std::int64_t to)
    : runs_(runs), states_(states), count_(count), own_from_(from), own_to_(to), first_bucket_(from / BUCKET) {
    const std::int64_t end_bucket = (std::min(to, count) + BUCKET - 1) / BUCKET;
    const std::int64_t buckets = std::max<std::int64_t>(end_bucket - first_bucket_, 1);
    leaves_ = static_cast<std::int64_t>(std::bit_ceil(static_cast<std::uint64_t>(buckets)));
    nodes_.assign(static_cast<std::size_t>(2 * leaves_), Summary{HIGHEST<Index>, LOWEST<Index>, LOWEST<Index>, 0});
    deferred_.assign(static_cast<std::size_t>(2 * leaves_), 0);
    for (std::int64_t bucket = first_bucket_; bucket < end_bucket; ++bucket)
        nodes_[leaf(bucket)] = summarise_bucket(bucket, deferred_[leaf(bucket)]);
    for (std::int64_t node = leaves_ - 1; node >= 1; --node) combine_children(node);
}

template <class Index>
void RunTree<Index>::combine_children(std::int64_t node) {
    auto at = static_cast<std::size_t>(node);
    nodes_[at] = combine(nodes_[2 * at], nodes_[2 * at + 1]);
    deferred_[at] = std::max(deferred_[2 * at], deferred_[2 * at + 1]);
}

template <class Index>
void RunTree<Index>::give_away(std::int64_t from, std::int64_t to) {
    settle();
    away_.push_back({from, to});
}

template <class Index>
bool RunTree<Index>::given_away(std::int64_t line) const {
    return std::any_of(away_.begin(), away_.end(),
                       [line](const Lines& away) { return line >= away.from && line < away.to; });
}

// Of its own lines only: those given away are passed over.
template <class Index>
typename RunTree<Index>::Summary RunTree<Index>::summarise_bucket(std::int64_t bucket, Index& longest_deferred) const {
    Summary summary{HIGHEST<Index>, LOWEST<Index>, LOWEST<Index>, 0};
    longest_deferred = 0;
    const std::int64_t begin = std::max(own_from_, bucket * BUCKET);
    const std::int64_t end = std::min(own_to_, (bucket + 1) * BUCKET);
    bool cut = false;  // whether a range given away meets the bucket
    for (const Lines& away : away_) cut = cut || (away.from < end && away.to > begin);
    for (std::int64_t line = begin; line < end; ++line) {
        if (cut && given_away(line)) [[unlikely]]
            continue;
        std::int64_t length = runs_.length(line);
        if (states_[line] == LINE_DEFERRED) longest_deferred = std::max(longest_deferred, static_cast<Index>(length));
        if (states_[line] != LINE_SEARCHED) continue;
        std::int64_t start = runs_.start(line);
        summary.min_start = std::min(summary.min_start, static_cast<Index>(start));
        summary.max_line_end = std::max(summary.max_line_end, static_cast<Index>(line + length));
        summary.max_start_end = std::max(summary.max_start_end, static_cast<Index>(start + length));
        summary.max_length = std::max(summary.max_length, static_cast<Index>(length));
    }
    return summary;
}

// Lines are mostly searched again in runs of neighbours, so a changed bucket is
// summarised once, when another bucket changes or the tree is asked something.
template <class Index>
void RunTree<Index>::update(std::int64_t line) {
    std::int64_t bucket = line / BUCKET;
    if (bucket == pending_bucket_) return;
    summarise_pending();
    pending_bucket_ = bucket;
}

// Refreshes the pending bucket's leaf. The nodes above it wait for settle(), so
// that a walk through many buckets in a row brings each node up to date once,
// not once for every bucket below it; the changed leaves they wait for stay side
// by side, so that bringing them up to date costs no more than the changes made.
template <class Index>
void RunTree<Index>::summarise_pending() {
    if (pending_bucket_ < 0) return;
    const std::int64_t bucket = pending_bucket_;
    pending_bucket_ = -1;
    Index longest_deferred;
    Summary summary = summarise_bucket(bucket, longest_deferred);
    Summary& leaf_summary = nodes_[leaf(bucket)];
    Index& leaf_deferred = deferred_[leaf(bucket)];
    if (leaf_summary == summary && leaf_deferred == longest_deferred) return;
    leaf_summary = summary;
    leaf_deferred = longest_deferred;
    if (changed_from_ != changed_to_ && (bucket + 1 < changed_from_ || bucket > changed_to_)) update_nodes();
    if (changed_from_ == changed_to_) changed_from_ = changed_to_ = bucket;
    changed_from_ = std::min(changed_from_, bucket);
    changed_to_ = std::max(changed_to_, bucket + 1);
}

// Brings every node above the changed leaves up to date, level by level.
template <class Index>
void RunTree<Index>::update_nodes() {
    if (changed_from_ == changed_to_) return;
    for (auto from = static_cast<std::int64_t>(leaf(changed_from_)), to = static_cast<std::int64_t>(leaf(changed_to_ - 1));
         from > 1;) {
        from /= 2;
        to /= 2;
        for (std::int64_t node = from; node <= to; ++node) combine_children(node);
    }
    changed_from_ = changed_to_ = 0;
}

template <class Index>
void RunTree<Index>::settle() {
    summarise_pending();
    update_nodes();
}

template <class Index>
bool RunTree<Index>::all_fit(const Summary& summary, const Window& window) {
    return summary.min_start >= window.lo2 && summary.max_line_end <= window.hi1 &&
           summary.max_start_end <= window.hi2;
}

template <class Index>
typename RunTree<Index>::Span RunTree<Index>::root() const {
    return {1, first_bucket_ * BUCKET, (first_bucket_ + leaves_) * BUCKET};
}

template <class Index>
typename RunTree<Index>::Span RunTree<Index>::child(const Span& span, int side) const {
    std::int64_t middle = span.from + (span.to - span.from) / 2;
    return side == 0 ? Span{2 * span.node, span.from, middle} : Span{2 * span.node + 1, middle, span.to};
}

// The rest of from's own bucket is scanned directly: refreshing often asks for
// the next line after one it has just searched again, and it is often unfit too.
template <class Index>
std::int64_t RunTree<Index>::first_unfit(std::int64_t from, const Window& window) {
    std::int64_t bucket_end = std::min((from / BUCKET + 1) * BUCKET, window.hi1);
    if (window.hi1 - from <= DIRECT_SCAN) bucket_end = window.hi1;
    for (std::int64_t line = from; line < bucket_end; ++line)
        if (!fits(line, window)) return line;
    if (bucket_end >= window.hi1) return window.hi1;
    settle();
    std::int64_t found = find_unfit(root(), bucket_end, window);
    return found == -1 ? window.hi1 : found;
}

template <class Index>
std::int64_t RunTree<Index>::find_unfit(const Span& span, std::int64_t from, const Window& window) const {
    if (span.to <= from || span.from >= window.hi1 || all_fit(nodes_[span.node], window)) return -1;
    if (span.node >= leaves_) {
        for (std::int64_t line = std::max(from, span.from); line < std::min(span.to, window.hi1); ++line)
            if (!fits(line, window)) return line;
        return -1;
    }
    std::int64_t found = find_unfit(child(span, 0), from, window);
    return found != -1 ? found : find_unfit(child(span, 1), from, window);
}

template <class Index>
std::int64_t RunTree<Index>::longest_fitting(const Window& window) {
    settle();
    std::int64_t best_line = -1;
    std::int64_t best_length = 0;
    find_longest(root(), window, best_line, best_length);
    return best_line;
}

// Left to right, taking only strictly longer entries, so that of equal lengths
// the first stays; a node whose longest entry is no longer than the best so far
// cannot change the answer.
template <class Index>
void RunTree<Index>::find_longest(const Span& span, const Window& window, std::int64_t& best_line,
                           std::int64_t& best_length) const {
    const Summary& summary = nodes_[span.node];
    if (span.to <= window.lo1 || span.from >= window.hi1 || summary.max_length <= best_length) return;
    bool inside = span.from >= window.lo1 && span.to <= window.hi1;
    if (inside && all_fit(summary, window)) {
        best_length = summary.max_length;
        best_line = leftmost_of_length(span, best_length);
        return;
    }
    if (span.node >= leaves_) {
        std::int64_t from = std::max(window.lo1, span.from);
        std::int64_t found = longest_fitting_among(from, std::min(span.to, window.hi1), window, best_length);
        if (found != -1) {
            best_line = found;
            best_length = runs_.length(found);
        }
        return;
    }
    find_longest(child(span, 0), window, best_line, best_length);
    find_longest(child(span, 1), window, best_line, best_length);
}

// The first line of [from, to) whose entry fits and is longer than `shorter`
// and every fitting entry before it, and no shorter than any after it; -1 when
// none is longer than `shorter`.
template <class Index>
std::int64_t RunTree<Index>::longest_fitting_among(std::int64_t from, std::int64_t to, const Window& window,
                                                   std::int64_t shorter) const {
    std::int64_t best_line = -1;
    for (std::int64_t line = from; line < to; ++line) {
        if (runs_.length(line) > shorter && states_[line] == LINE_SEARCHED && fits(line, window)) {
            shorter = runs_.length(line);
            best_line = line;
        }
    }
    return best_line;
}

template <class Index>
std::int64_t RunTree<Index>::leftmost_of_length(Span span, std::int64_t length) const {
    while (span.node < leaves_) {
        Span left = child(span, 0);
        span = nodes_[left.node].max_length == length ? left : child(span, 1);
    }
    std::int64_t line = span.from;
    while (runs_.length(line) != length || states_[line] != LINE_SEARCHED) ++line;
    return line;
}

template <class Index>
typename RunTree<Index>::Longest RunTree<Index>::longest(const Window& window) {
    if (window.hi1 - window.lo1 > DIRECT_SCAN) return {longest_fitting(window), longest_deferred(window)};
    Longest found{-1, -1};
    std::int64_t fitting_length = 0;
    std::int64_t deferred_length = 0;
    for (std::int64_t line = window.lo1; line < window.hi1; ++line) {
        const std::int64_t length = runs_.length(line);
        if (states_[line] == LINE_SEARCHED) {
            if (length > fitting_length && fits(line, window)) {
                fitting_length = length;
                found.fitting = line;
            }
        } else if (states_[line] == LINE_DEFERRED && length > deferred_length) {
            deferred_length = length;
            found.deferred = line;
        }
    }
    return found;
}

// Bottom-up over the buckets wholly inside the window, the lines of the
// buckets it cuts scanned directly: a descent from the root costs a call for
// every node along both edges of the window, and the matcher asks once for
// every run it marks.
template <class Index>
std::int64_t RunTree<Index>::longest_deferred(const Window& window) {
    if (window.hi1 - window.lo1 <= DIRECT_SCAN) return longest_deferred_among(window.lo1, window.hi1, 0);
    settle();
    const std::int64_t first = (window.lo1 + BUCKET - 1) / BUCKET;  // buckets [first, last) lie inside
    const std::int64_t last = std::max(first, window.hi1 / BUCKET);
    // Of equal lengths the first stays: the lines before the inner buckets,
    // then the inner buckets' nodes left to right, then the lines after them.
    std::int64_t best_line = longest_deferred_among(window.lo1, std::min(first * BUCKET, window.hi1), 0);
    std::int64_t best_length = best_line < 0 ? 0 : runs_.length(best_line);
    std::int64_t best_node = 0;
    std::array<std::int64_t, 64> right;  // the right edge's nodes, right to left (set before read)
    std::size_t rights = 0;
    for (auto left = static_cast<std::int64_t>(leaf(first)), end = static_cast<std::int64_t>(leaf(last)); left < end;
         left /= 2, end /= 2) {
        if (left & 1) {
            if (deferred_[static_cast<std::size_t>(left)] > best_length) {
                best_length = deferred_[static_cast<std::size_t>(left)];
                best_node = left;
            }
            ++left;
        }
        if (end & 1) right[rights++] = --end;
    }
    while (rights-- > 0) {
        std::int64_t node = right[rights];
        if (deferred_[static_cast<std::size_t>(node)] > best_length) {
            best_length = deferred_[static_cast<std::size_t>(node)];
            best_node = node;
        }
    }
    if (best_node > 0) {
        while (best_node < leaves_) {
            best_node *= 2;
            if (deferred_[static_cast<std::size_t>(best_node)] != best_length) ++best_node;
        }
        std::int64_t from = (best_node - leaves_ + first_bucket_) * BUCKET;
        best_line = longest_deferred_among(from, std::min(from + BUCKET, count_), best_length - 1);
    }
    std::int64_t after = longest_deferred_among(last * BUCKET, window.hi1, best_length);
    return after >= 0 ? after : best_line;
}

template <class Index>
std::int64_t RunTree<Index>::next_deferred_of_length(std::int64_t after, std::int64_t length,
                                                     const Window& window) const {
    const std::int64_t end = std::min(window.hi1, after + 1 + DIRECT_SCAN);
    for (std::int64_t line = after + 1; line < end; ++line)
        if (states_[line] == LINE_DEFERRED && runs_.length(line) == length) return line;
    return -1;
}

template <class Index>
std::int64_t RunTree<Index>::longest_deferred_among(std::int64_t from, std::int64_t to, std::int64_t shorter) const {
    std::int64_t best_line = -1;
    for (std::int64_t line = from; line < to; ++line) {
        if (states_[line] == LINE_DEFERRED && runs_.length(line) > shorter) {
            shorter = runs_.length(line);
            best_line = line;
        }
    }
    return best_line;
}

template class RunTree<std::int32_t>;
template class RunTree<std::int64_t>;

}  // namespace vesk
