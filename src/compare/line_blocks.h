// Blocks of equal lines: a block is a longest stretch of consecutive lines with
// one fingerprint. For each line, how many lines of its block start at it; and
// the second file's blocks grouped by fingerprint, each group in file order, with
// the group of every first-file line's fingerprint looked up once.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace vesk {

// rest[k]: the number of lines from k to the end of k's block (at least 1).
std::vector<std::int64_t> block_rests(const std::uint32_t* fingerprints, std::int64_t count);

// Lines [start, end) of the second file, all with one fingerprint.
struct Block {
    std::int64_t start;
    std::int64_t end;
};

class GroupNumbers;

class BlockIndex {
public:
    // second_rests: block_rests() of the second file.
    BlockIndex(const std::uint32_t* first, std::int64_t first_count, const std::uint32_t* second,
               std::int64_t second_count, const std::vector<std::int64_t>& second_rests);

    // The group of the blocks of the second file that hold the fingerprint of line
    // `line` of the first file, or -1 when the second file has no such line.
    std::int64_t group_of(std::int64_t line) const { return group_of_line_[static_cast<std::size_t>(line)]; }

    // The group's blocks in file order.
    std::span<const Block> blocks(std::int64_t group) const {
        auto from = static_cast<std::size_t>(group_begin_[static_cast<std::size_t>(group)]);
        auto to = static_cast<std::size_t>(group_begin_[static_cast<std::size_t>(group) + 1]);
        return std::span<const Block>(blocks_).subspan(from, to - from);
    }

    // The position in its group of the next block after the one at `position`
    // that is longer than it, or the group's size when there is none. Every block
    // skipped on the way is no longer than the one at `position`.
    std::int64_t next_longer(std::int64_t group, std::int64_t position) const {
        if (next_longer_.empty()) return position + 1;
        return next_longer_[static_cast<std::size_t>(group_begin_[static_cast<std::size_t>(group)] + position)];
    }

private:
    std::vector<std::int64_t> number_groups(GroupNumbers& numbers, const std::uint32_t* second,
                                            std::int64_t second_count, const std::vector<std::int64_t>& second_rests);
    void lay_out_blocks(const std::vector<std::int64_t>& group_of_second, std::int64_t second_count,
                        const std::vector<std::int64_t>& second_rests);
    void look_up_groups(const GroupNumbers& numbers, const std::vector<std::int64_t>& group_of_second,
                        const std::uint32_t* first, std::int64_t first_count, const std::uint32_t* second);
    void link_longer_blocks();

    std::vector<std::int64_t> group_begin_;  // group g: blocks_[group_begin_[g], group_begin_[g + 1])
    std::vector<Block> blocks_;
    std::vector<std::int64_t> next_longer_;  // per block, a position within its group; empty: all one line
    std::vector<std::int64_t> group_of_line_;
};

}  // namespace vesk
