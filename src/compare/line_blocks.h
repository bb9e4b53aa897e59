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

class BlockIndex {
public:
    // second_rests: block_rests() of the second file.
    BlockIndex(const std::uint32_t* first, std::int64_t first_count, const std::uint32_t* second,
               std::int64_t second_count, const std::vector<std::int64_t>& second_rests);

    // The group of the blocks of the second file that hold the fingerprint of line
    // `line` of the first file, or -1 when the second file has no such line.
    std::int64_t group_of(std::int64_t line) const { return group_of_line_[static_cast<std::size_t>(line)]; }

    // The first lines of the group's blocks, ascending.
    std::span<const std::int64_t> starts(std::int64_t group) const {
        auto from = static_cast<std::size_t>(group_begin_[static_cast<std::size_t>(group)]);
        auto to = static_cast<std::size_t>(group_begin_[static_cast<std::size_t>(group) + 1]);
        return std::span<const std::int64_t>(block_starts_).subspan(from, to - from);
    }

private:
    std::vector<std::int64_t> group_begin_;   // group g: block_starts_[group_begin_[g], group_begin_[g + 1])
    std::vector<std::int64_t> block_starts_;
    std::vector<std::int64_t> group_of_line_;
};

}  // namespace vesk
