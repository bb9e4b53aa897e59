#include "compare/line_blocks.h"

#include <algorithm>
#include <bit>

namespace vesk {
namespace {

constexpr std::int64_t kNoGroup = -1;

// How far ahead the numbering prefetches: enough lines to cover a memory access.
constexpr std::int64_t kPrefetchDistance = 16;

}  // namespace

// Fingerprint -> group number, open addressing with linear probing. Built once
// and dropped after the index is made, so it is sized for speed, not thrift.
class GroupNumbers {
public:
    explicit GroupNumbers(std::int64_t keys)
        // At most two thirds full keeps linear probe sequences short.
        : mask_(std::bit_ceil(static_cast<std::uint64_t>(keys + keys / 2 + 2)) - 1),
          shift_(64 - std::countr_zero(mask_ + 1)),
          slots_(mask_ + 1, Slot{0, kNoGroup}) {}

    // The table is far larger than the caches; the numbering asks for the slot
    // of a key some lines ahead so that its memory is on the way when needed.
    void prefetch(std::uint32_t fingerprint) const { __builtin_prefetch(&slots_[home(fingerprint)]); }

    std::int64_t group(std::uint32_t fingerprint) const { return slots_[slot(fingerprint)].group; }

    // The group of fingerprint, numbering a new one `next` when it is not there yet.
    std::int64_t group_or_add(std::uint32_t fingerprint, std::int64_t next) {
        Slot& found = slots_[slot(fingerprint)];
        if (found.group == kNoGroup) found = {fingerprint, next};
        return found.group;
    }

private:
    struct Slot {
        std::uint32_t fingerprint;
        std::int64_t group;
    };

    // Fibonacci hashing: the top bits of the product depend on every bit of the key.
    std::uint64_t home(std::uint32_t fingerprint) const { return (fingerprint * 0x9E3779B97F4A7C15u) >> shift_; }

    // Where fingerprint is, or the empty slot where it belongs.
    std::uint64_t slot(std::uint32_t fingerprint) const {
        for (std::uint64_t at = home(fingerprint);; at = (at + 1) & mask_)
            if (slots_[at].group == kNoGroup || slots_[at].fingerprint == fingerprint) return at;
    }

    std::uint64_t mask_;
    int shift_;
    std::vector<Slot> slots_;
};


std::vector<std::int64_t> block_rests(const std::uint32_t* fingerprints, std::int64_t count) {
    std::vector<std::int64_t> rest(static_cast<std::size_t>(count));
    for (std::int64_t line = count - 1; line >= 0; --line) {
        bool continues = line + 1 < count && fingerprints[line + 1] == fingerprints[line];
        rest[line] = continues ? rest[line + 1] + 1 : 1;
    }
    return rest;
}

BlockIndex::BlockIndex(const std::uint32_t* first, std::int64_t first_count, const std::uint32_t* second,
                       std::int64_t second_count, const std::vector<std::int64_t>& second_rests) {
    std::int64_t blocks = 0;
    for (std::int64_t line = 0; line < second_count; line += second_rests[line]) ++blocks;
    GroupNumbers numbers(blocks);
    std::vector<std::int64_t> group_of_second = number_groups(numbers, second, second_count, second_rests);
    lay_out_blocks(group_of_second, second_count, second_rests);
    look_up_groups(numbers, group_of_second, first, first_count, second);
    link_longer_blocks();
}

// Numbers the groups as their fingerprints first appear in the second file and
// counts the blocks of each (in group_begin_[group + 1]); returns every second-file
// line's group.
std::vector<std::int64_t> BlockIndex::number_groups(GroupNumbers& numbers, const std::uint32_t* second,
                                                    std::int64_t second_count,
                                                    const std::vector<std::int64_t>& second_rests) {
    std::vector<std::int64_t> group_of_second(static_cast<std::size_t>(second_count));
    group_begin_.assign(1, 0);
    for (std::int64_t line = 0; line < second_count; line += second_rests[line]) {
        if (line + kPrefetchDistance < second_count) numbers.prefetch(second[line + kPrefetchDistance]);
        auto next = static_cast<std::int64_t>(group_begin_.size()) - 1;
        std::int64_t group = numbers.group_or_add(second[line], next);
        if (group == next) group_begin_.push_back(0);
        ++group_begin_[group + 1];
        std::fill_n(group_of_second.begin() + line, second_rests[line], group);
    }
    return group_of_second;
}

// Lays the groups out one after the other, each in file order.
void BlockIndex::lay_out_blocks(const std::vector<std::int64_t>& group_of_second, std::int64_t second_count,
                                const std::vector<std::int64_t>& second_rests) {
    for (std::size_t group = 1; group < group_begin_.size(); ++group) group_begin_[group] += group_begin_[group - 1];
    blocks_.resize(static_cast<std::size_t>(group_begin_.back()));
    // Each group's start serves as its fill mark while the blocks are placed and
    // ends as the next group's start; moving the marks up one group restores them.
    for (std::int64_t line = 0; line < second_count; line += second_rests[line])
        blocks_[group_begin_[group_of_second[line]]++] = {line, line + second_rests[line]};
    std::copy_backward(group_begin_.begin(), group_begin_.end() - 1, group_begin_.end());
    group_begin_[0] = 0;
}

// The group of every first-file line. Files that are alike mostly go on in step,
// so the second-file line after the one the previous line was found at is tried
// first; only when it differs is the fingerprint looked up, and the walk goes on
// from the first line of that group at or after the place it had reached.
void BlockIndex::look_up_groups(const GroupNumbers& numbers, const std::vector<std::int64_t>& group_of_second,
                                const std::uint32_t* first, std::int64_t first_count, const std::uint32_t* second) {
    group_of_line_.resize(static_cast<std::size_t>(first_count));
    auto second_count = static_cast<std::int64_t>(group_of_second.size());
    std::int64_t next = 0;  // the second-file line expected to match
    for (std::int64_t line = 0; line < first_count; ++line) {
        if (next < second_count && second[next] == first[line]) {
            group_of_line_[line] = group_of_second[next++];
            continue;
        }
        std::int64_t group = numbers.group(first[line]);
        group_of_line_[line] = group;
        if (group < 0) continue;
        auto found = blocks(group);
        auto block = std::partition_point(found.begin(), found.end(), [&](const Block& b) { return b.end <= next; });
        if (block == found.end()) block = found.begin();
        next = std::max(block->start, std::min(next, block->end - 1)) + 1;
    }
}

// Per group, from the last block back: a stack of the blocks seen so far that no
// later one outgrows, so its top, after dropping those no longer than the block
// at hand, is the next longer one.
void BlockIndex::link_longer_blocks() {
    // When every block is one line long, none is longer than another: no links.
    if (std::all_of(blocks_.begin(), blocks_.end(), [](const Block& b) { return b.end - b.start == 1; })) return;
    next_longer_.resize(blocks_.size());
    std::vector<std::int64_t> longer;
    for (std::size_t group = 0; group + 1 < group_begin_.size(); ++group) {
        std::int64_t begin = group_begin_[group];
        std::int64_t size = group_begin_[group + 1] - begin;
        auto length = [&](std::int64_t position) { return blocks_[begin + position].end - blocks_[begin + position].start; };
        longer.clear();
        for (std::int64_t position = size - 1; position >= 0; --position) {
            while (!longer.empty() && length(longer.back()) <= length(position)) longer.pop_back();
            next_longer_[begin + position] = longer.empty() ? size : longer.back();
            longer.push_back(position);
        }
    }
}

}  // namespace vesk
