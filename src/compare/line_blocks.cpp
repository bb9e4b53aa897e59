#include "compare/line_blocks.h"

#include <bit>

namespace vesk {
namespace {

constexpr std::int64_t kNoGroup = -1;

// Fingerprint -> group number, open addressing with linear probing. Built once
// and dropped after the index is made, so it is sized for speed, not thrift.
class GroupNumbers {
public:
    explicit GroupNumbers(std::int64_t keys)
        // At most half full keeps the probe sequences short.
        : mask_(std::bit_ceil(static_cast<std::uint64_t>(2 * keys + 2)) - 1),
          shift_(64 - std::countr_zero(mask_ + 1)),
          slots_(mask_ + 1, Slot{0, kNoGroup}) {}

    // The table is far larger than the caches; the loops below ask for the slot
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

// How far ahead the loops prefetch: enough lines to cover a memory access.
constexpr std::int64_t kPrefetchDistance = 16;

}  // namespace

std::vector<std::int64_t> block_rests(const std::uint32_t* fingerprints, std::int64_t count) {
    std::vector<std::int64_t> rest(static_cast<std::size_t>(count));
    for (std::int64_t line = count - 1; line >= 0; --line) {
        bool continues = line + 1 < count && fingerprints[line + 1] == fingerprints[line];
        rest[line] = continues ? rest[line + 1] + 1 : 1;
    }
    return rest;
}

BlockIndex::BlockIndex(const std::uint32_t* first, std::int64_t first_count, const std::uint32_t* second,
                       std::int64_t second_count, const std::vector<std::int64_t>& second_rests)
    : group_of_line_(static_cast<std::size_t>(first_count)) {
    std::int64_t blocks = 0;
    for (std::int64_t line = 0; line < second_count; line += second_rests[line]) ++blocks;
    GroupNumbers numbers(blocks);
    // Count the blocks of each group, numbering groups as they first appear ...
    std::vector<std::int64_t> group_of_block(static_cast<std::size_t>(blocks));
    group_begin_.push_back(0);
    std::int64_t block = 0;
    for (std::int64_t line = 0; line < second_count; line += second_rests[line], ++block) {
        if (line + kPrefetchDistance < second_count) numbers.prefetch(second[line + kPrefetchDistance]);
        std::int64_t group = numbers.group_or_add(second[line], static_cast<std::int64_t>(group_begin_.size()) - 1);
        if (group == static_cast<std::int64_t>(group_begin_.size()) - 1) group_begin_.push_back(0);
        group_of_block[block] = group;
        ++group_begin_[group + 1];
    }
    // ... then lay the groups out one after the other, each in file order.
    for (std::size_t group = 1; group < group_begin_.size(); ++group) group_begin_[group] += group_begin_[group - 1];
    std::vector<std::int64_t> filled(group_begin_.begin(), group_begin_.end() - 1);
    blocks_.resize(static_cast<std::size_t>(blocks));
    block = 0;
    for (std::int64_t line = 0; line < second_count; line += second_rests[line], ++block)
        blocks_[filled[group_of_block[block]]++] = {line, line + second_rests[line]};
    for (std::int64_t line = 0; line < first_count; ++line) {
        if (line + kPrefetchDistance < first_count) numbers.prefetch(first[line + kPrefetchDistance]);
        group_of_line_[line] = numbers.group(first[line]);
    }
    link_longer_blocks();
}

// Per group, from the last block back: a stack of the blocks seen so far that no
// later one outgrows, so its top, after dropping those no longer than the block
// at hand, is the next longer one.
void BlockIndex::link_longer_blocks() {
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
