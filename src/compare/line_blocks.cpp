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
          fingerprints_(mask_ + 1),
          groups_(mask_ + 1, kNoGroup) {}

    // The slot of fingerprint: where it is, or the empty slot where it belongs.
    std::uint64_t slot(std::uint32_t fingerprint) const {
        // A multiplicative scramble spreads fingerprints that differ in low bits only.
        std::uint64_t at = (fingerprint * 0x9E3779B97F4A7C15u) >> 20;
        for (;; ++at) {
            std::uint64_t probe = at & mask_;
            if (groups_[probe] == kNoGroup || fingerprints_[probe] == fingerprint) return probe;
        }
    }

    std::int64_t group(std::uint32_t fingerprint) const { return groups_[slot(fingerprint)]; }

    // The group of fingerprint, numbering a new one `next` when it is not there yet.
    std::int64_t group_or_add(std::uint32_t fingerprint, std::int64_t next) {
        std::uint64_t probe = slot(fingerprint);
        if (groups_[probe] == kNoGroup) {
            fingerprints_[probe] = fingerprint;
            groups_[probe] = next;
        }
        return groups_[probe];
    }

private:
    std::uint64_t mask_;
    std::vector<std::uint32_t> fingerprints_;
    std::vector<std::int64_t> groups_;
};

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
        std::int64_t group = numbers.group_or_add(second[line], static_cast<std::int64_t>(group_begin_.size()) - 1);
        if (group == static_cast<std::int64_t>(group_begin_.size()) - 1) group_begin_.push_back(0);
        group_of_block[block] = group;
        ++group_begin_[group + 1];
    }
    // ... then lay the groups out one after the other, each in file order.
    for (std::size_t group = 1; group < group_begin_.size(); ++group) group_begin_[group] += group_begin_[group - 1];
    std::vector<std::int64_t> filled(group_begin_.begin(), group_begin_.end() - 1);
    block_starts_.resize(static_cast<std::size_t>(blocks));
    block = 0;
    for (std::int64_t line = 0; line < second_count; line += second_rests[line], ++block)
        block_starts_[filled[group_of_block[block]]++] = line;
    for (std::int64_t line = 0; line < first_count; ++line) group_of_line_[line] = numbers.group(first[line]);
}

}  // namespace vesk
