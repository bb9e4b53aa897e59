// Blocks of equal lines: a block is a longest stretch of consecutive lines with
// one fingerprint. For each line, how many lines of its block start at it; and
// the second file's blocks grouped by fingerprint, each group in file order, with
// the group of every first-file line's fingerprint looked up once.
// Index is the stored width of line numbers, block positions and group numbers:
// std::int32_t only where fits_32_bit_index() (matcher_tuning.h) allows, else std::int64_t.
#pragma once

#include <algorithm>
#include <cstdint>
#include <span>
#include <vector>

#include "support/memory.h"

namespace vesk {

// rest[k]: the number of lines from k to the end of k's block (at least 1), or
// Rest's highest value when more lines than that remain: then a lower bound.
template <class Rest>
WorkVector<Rest> block_rests(const std::uint32_t* fingerprints, std::int64_t count);

// Lines [start, end) of the second file, all with one fingerprint.
template <class Index>
struct Block {
    Index start;
    Index end;

    std::int64_t length() const { return std::int64_t{end} - start; }
};

// The position of the first of a group's blocks that ends after `line`, or the
// group's size when none does. Block ends grow with their starts within a group.
template <class Index>
std::int64_t first_ending_after(std::span<const Block<Index>> blocks, std::int64_t line) {
    return std::partition_point(blocks.begin(), blocks.end(), [&](const Block<Index>& b) { return b.end <= line; }) -
           blocks.begin();
}

template <class Index>
class GroupNumbers;

template <class Index>
class BlockIndex {
public:
    // beside: whether a second thread looks up the groups of the first file's
    // second half.
    BlockIndex(const std::uint32_t* first, std::int64_t first_count, const std::uint32_t* second,
               std::int64_t second_count, bool beside = false);

    // The group of the blocks of the second file that hold the fingerprint of line
    // `line` of the first file, or -1 when the second file has no such line.
    std::int64_t group_of(std::int64_t line) const { return group_of_line_[static_cast<std::size_t>(line)]; }

    // How many groups there are: one per fingerprint of the second file.
    std::int64_t groups() const { return static_cast<std::int64_t>(group_begin_.size()) - 1; }

    // The group's blocks in file order.
    std::span<const Block<Index>> blocks(std::int64_t group) const {
        auto from = static_cast<std::size_t>(group_begin_at(group));
        auto to = static_cast<std::size_t>(group_begin_at(group + 1));
        return std::span<const Block<Index>>(blocks_).subspan(from, to - from);
    }

    // A position after `position` in its group such that every block skipped on
    // the way is no longer than the one at `position`: the next longer block, or
    // the group's size when there is none, or a block on the way to either when
    // that lies far off. A caller that lands short of the longer block finds one
    // no longer than where it came from and may skip again.
    std::int64_t next_longer(std::int64_t group, std::int64_t position) const {
        if (longer_step_.empty()) return position + 1;
        return position + longer_step_[static_cast<std::size_t>(group_begin_at(group) + position)];
    }

private:
    std::int64_t group_begin_at(std::int64_t group) const { return group_begin_[static_cast<std::size_t>(group)]; }
    WorkVector<Index> number_groups(GroupNumbers<Index>& numbers, const std::uint32_t* second,
                                     std::int64_t second_count);
    void lay_out_blocks(const WorkVector<Index>& group_of_second, const std::uint32_t* second,
                        std::int64_t second_count);
    struct LineRange {
        std::int64_t from, to;
    };
    void look_up_groups(const GroupNumbers<Index>& numbers, const WorkVector<Index>& group_of_second,
                        const std::uint32_t* first, std::int64_t first_count, const std::uint32_t* second,
                        bool beside);
    void look_up_lines(const GroupNumbers<Index>& numbers, const WorkVector<Index>& group_of_second,
                       const std::uint32_t* first, LineRange lines, const std::uint32_t* second, std::int64_t next);
    void link_longer_blocks(std::int64_t second_count);

    WorkVector<Index> group_begin_;  // group g: blocks_[group_begin_[g], group_begin_[g + 1])
    WorkVector<Block<Index>> blocks_;
    // Per block, how far on in its group next_longer() goes; empty: all one line.
    WorkVector<std::uint8_t> longer_step_;
    WorkVector<Index> group_of_line_;
};

extern template WorkVector<std::uint16_t> block_rests(const std::uint32_t*, std::int64_t);
extern template WorkVector<std::int32_t> block_rests(const std::uint32_t*, std::int64_t);
extern template WorkVector<std::int64_t> block_rests(const std::uint32_t*, std::int64_t);
extern template class BlockIndex<std::int32_t>;
extern template class BlockIndex<std::int64_t>;

}  // namespace vesk
