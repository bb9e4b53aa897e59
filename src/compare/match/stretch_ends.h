// Where a search from a stretch of one repeated line can grow its run. Take a
// first-file line whose rest is r >= 2 lines of v, followed by a line w, and a
// scan that has best = r. Its stops are then places of v^r, taken greedily
// without overlap: inside each second-file block of v, from the block's start
// (or from where the scan resumes, inside the first block) on by r lines at a
// time. A stop's run holds exactly r lines unless it ends with its block and the
// block is followed by w, so the stop that grows best lies in the first block
// whose length (counted from the scan's first step in it) is a multiple of r and
// that is followed by w. Visiting the matches of v^r w one by one instead costs
// a visit per block of v wherever the blocks' lengths rarely fit r (blank lines
// in blocks of odd length, searched from two blank lines).
//
// So the second file's blocks of two lines or more are kept by fingerprint, the
// fingerprint of the line after them and their length, each kind in file order,
// from the first question on (most files never ask one).
// Index: the stored width of line numbers (see line_blocks.h).
#pragma once

#include <cstdint>
#include <mutex>

#include "compare/match/line_blocks.h"
#include "support/memory.h"

namespace vesk {

template <class Index>
class StretchEnds {
public:
    // blocks: the second file's block index, over `second` (count lines).
    StretchEnds(const BlockIndex<Index>& blocks, const std::uint32_t* second, std::int64_t count)
        : blocks_(blocks), second_(second), count_(count) {}

    // The scan's next stop whose run is longer than `stretch` lines, for the
    // first-file line `line`, whose rest is `stretch` (at least 2) lines followed
    // by the line `next` inside the reach of the search; the scan resumes at
    // `resume` with best = stretch, in a window ending at hi2. -1 when none.
    std::int64_t growing_stop(std::int64_t line, std::int64_t stretch, std::uint32_t next, std::int64_t resume,
                              std::int64_t hi2);

private:
    // The blocks of one group, followed by one fingerprint, of one length:
    // starts_[begin, the next kind's begin).
    struct Kind {
        Index group;
        std::uint32_t next;
        Index length;
        Index begin;
    };

    void sort_blocks();
    std::int64_t first_start_after(const Kind& kind, std::int64_t resume) const;

    const BlockIndex<Index>& blocks_;
    const std::uint32_t* second_;
    std::int64_t count_;
    WorkVector<Kind> kinds_;  // by group, next and length; a last one closes the final range; empty until asked
    WorkVector<Index> starts_;
    // Sorting waits for the first stop asked for, from whichever thread asks.
    std::once_flag sorted_;
};

extern template class StretchEnds<std::int32_t>;
extern template class StretchEnds<std::int64_t>;

}  // namespace vesk
