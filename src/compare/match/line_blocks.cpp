#include "compare/match/line_blocks.h"

#include <algorithm>
#include <limits>

#include "support/memory.h"
#include "support/work_thread.h"

namespace vesk {
namespace {

// How far ahead the numbering prefetches: enough lines to cover a memory access.
constexpr std::int64_t PREFETCH_DISTANCE = 16;

// The farthest next_longer() goes in one step: what a byte holds.
constexpr std::int64_t LONGEST_STEP = 255;

}  // namespace

template <class Rest>
WorkVector<Rest> block_rests(const std::uint32_t* fingerprints, std::int64_t count) {
    constexpr std::int64_t HIGHEST = std::numeric_limits<Rest>::max();
    WorkVector<Rest> rests(static_cast<std::size_t>(count));
    std::int64_t rest = 0;
    for (std::int64_t line = count - 1; line >= 0; --line) {
        bool continues = line + 1 < count && fingerprints[line + 1] == fingerprints[line];
        rest = continues ? rest + 1 : 1;
        rests[static_cast<std::size_t>(line)] = static_cast<Rest>(std::min(rest, HIGHEST));
    }
    return rests;
}

namespace {

// The line after the block that holds `line`.
std::int64_t block_end(const std::uint32_t* fingerprints, std::int64_t count, std::int64_t line) {
    std::int64_t end = line + 1;
    while (end < count && fingerprints[end] == fingerprints[line]) ++end;
    return end;
}

}  // namespace

// Fingerprint -> group number, open addressing with linear probing. Built once
// and dropped after the index is made.
template <class Index>
class GroupNumbers {
public:
    // At most three quarters full keeps linear probe sequences short; the size
    // need not be a power of two, as a slot is picked by scaling, not masking.
    explicit GroupNumbers(std::int64_t keys) : slots_(static_cast<std::size_t>(keys + keys / 3 + 1), Slot{0, NO_GROUP}) {}

    // The table is far larger than the caches; the numbering asks for the slot
    // of a key some lines ahead so that its memory is on the way when needed.
    void prefetch(std::uint32_t fingerprint) const { __builtin_prefetch(&slots_[home(fingerprint)]); }

    std::int64_t group(std::uint32_t fingerprint) const { return slots_[slot(fingerprint)].group; }

    // The group of fingerprint, numbering a new one `next` when it is not there yet.
    std::int64_t group_or_add(std::uint32_t fingerprint, std::int64_t next) {
        Slot& found = slots_[slot(fingerprint)];
        if (found.group == NO_GROUP) found = {fingerprint, static_cast<Index>(next)};
        return found.group;
    }

private:
    static constexpr Index NO_GROUP = -1;
    struct Slot {
        std::uint32_t fingerprint;
        Index group;
    };

    // The multiplication spreads every bit of the key over the high bits (Fibonacci
    // hashing); scaling those 32 bits by the size maps them onto the slots evenly.
    // The product is taken in 128 bits: a table may have more than 2^32 slots.
    std::size_t home(std::uint32_t fingerprint) const {
        __extension__ using Wide = unsigned __int128;
        std::uint32_t mixed = fingerprint * 0x9E3779B1u;
        return static_cast<std::size_t>((static_cast<Wide>(mixed) * slots_.size()) >> 32);
    }

    // Where fingerprint is, or the empty slot where it belongs.
    std::size_t slot(std::uint32_t fingerprint) const {
        for (std::size_t at = home(fingerprint);; at = at + 1 == slots_.size() ? 0 : at + 1)
            if (slots_[at].group == NO_GROUP || slots_[at].fingerprint == fingerprint) return at;
    }

    WorkVector<Slot> slots_;
};

template <class Index>
BlockIndex<Index>::BlockIndex(const std::uint32_t* first, std::int64_t first_count, const std::uint32_t* second,
                              std::int64_t second_count, bool beside) {
    std::int64_t blocks = 0;
    for (std::int64_t line = 0; line < second_count; line = block_end(second, second_count, line)) ++blocks;
    GroupNumbers<Index> numbers(blocks);
    // One entry per group and one more; there are at most as many groups as
    // blocks, and growing by doubling could leave almost half of it unused.
    group_begin_.reserve(static_cast<std::size_t>(blocks) + 1);
    WorkVector<Index> group_of_second = number_groups(numbers, second, second_count);
    lay_out_blocks(group_of_second, second, second_count);
    look_up_groups(numbers, group_of_second, first, first_count, second, beside);
    link_longer_blocks(second_count);
}

// Numbers the groups as their fingerprints first appear in the second file and
// counts the blocks of each (in group_begin_[group + 1]); returns every second-file
// line's group.
template <class Index>
WorkVector<Index> BlockIndex<Index>::number_groups(GroupNumbers<Index>& numbers, const std::uint32_t* second,
                                                    std::int64_t second_count) {
    WorkVector<Index> group_of_second(static_cast<std::size_t>(second_count));
    group_begin_.assign(1, 0);
    for (std::int64_t line = 0, end = 0; line < second_count; line = end) {
        end = block_end(second, second_count, line);
        if (line + PREFETCH_DISTANCE < second_count) numbers.prefetch(second[line + PREFETCH_DISTANCE]);
        auto next = static_cast<std::int64_t>(group_begin_.size()) - 1;
        std::int64_t group = numbers.group_or_add(second[line], next);
        if (group == next) group_begin_.push_back(0);
        ++group_begin_[static_cast<std::size_t>(group) + 1];
        std::fill(group_of_second.begin() + line, group_of_second.begin() + end, static_cast<Index>(group));
    }
    return group_of_second;
}

// Lays the groups out one after the other, each in file order.
template <class Index>
void BlockIndex<Index>::lay_out_blocks(const WorkVector<Index>& group_of_second, const std::uint32_t* second,
                                       std::int64_t second_count) {
    for (std::size_t group = 1; group < group_begin_.size(); ++group) group_begin_[group] += group_begin_[group - 1];
    blocks_.resize(static_cast<std::size_t>(group_begin_.back()));
    // Each group's start serves as its fill mark while the blocks are placed and
    // ends as the next group's start; moving the marks up one group restores them.
    for (std::int64_t line = 0, end = 0; line < second_count; line = end) {
        end = block_end(second, second_count, line);
        blocks_[static_cast<std::size_t>(group_begin_[static_cast<std::size_t>(group_of_second[line])]++)] = {
            static_cast<Index>(line), static_cast<Index>(end)};
    }
    std::copy_backward(group_begin_.begin(), group_begin_.end() - 1, group_begin_.end());
    group_begin_[0] = 0;
}

// The group of every first-file line. Files that are alike mostly go on in step,
// so the second-file line after the one the previous line was found at is tried
// first, then the one after it (a line inserted in the second file); only when
// both differ is the fingerprint looked up, and the walk goes on from the first
// line of that group at or after the place it had reached. A line that the
// second file lacks has most often replaced one there, so the walk steps over
// that one too, and tries the line it stepped over after the next line (the
// line was deleted instead). Where the walk goes only decides what is tried
// first: every group comes from the line's own fingerprint.
//
// Where a second thread shares the work, the first file's second half is
// walked there, from the second-file line as far on: most lookups miss the
// caches, and the halves write apart.
template <class Index>
void BlockIndex<Index>::look_up_groups(const GroupNumbers<Index>& numbers, const WorkVector<Index>& group_of_second,
                                       const std::uint32_t* first, std::int64_t first_count,
                                       const std::uint32_t* second, bool beside) {
    group_of_line_.resize(static_cast<std::size_t>(first_count));
    auto second_count = static_cast<std::int64_t>(group_of_second.size());
    if (!beside) {
        look_up_lines(numbers, group_of_second, first, {0, first_count}, second, 0);
        return;
    }
    const std::int64_t half = first_count / 2;
    const double share = half == 0 ? 0 : static_cast<double>(half) / static_cast<double>(first_count);
    const auto as_far_on = static_cast<std::int64_t>(share * static_cast<double>(second_count));
    WorkThread other([&] { look_up_lines(numbers, group_of_second, first, {half, first_count}, second, as_far_on); });
    look_up_lines(numbers, group_of_second, first, {0, half}, second, 0);
    other.join();
}

// The walk above over the first-file lines [lines.from, lines.to), from the
// second-file line `next` on.
template <class Index>
void BlockIndex<Index>::look_up_lines(const GroupNumbers<Index>& numbers, const WorkVector<Index>& group_of_second,
                                      const std::uint32_t* first, LineRange lines, const std::uint32_t* second,
                                      std::int64_t next) {
    const std::int64_t first_count = lines.to;
    auto second_count = static_cast<std::int64_t>(group_of_second.size());
    // The table slot of a line some way ahead is asked for early when, as far as
    // the walk can tell now, the files will be out of step there: only then is
    // it looked up.
    auto prefetch_out_of_step = [&](std::int64_t line) {
        std::int64_t ahead = line + PREFETCH_DISTANCE;
        std::int64_t ahead2 = next + PREFETCH_DISTANCE;
        if (ahead < first_count && (ahead2 >= second_count || second[ahead2] != first[ahead]))
            numbers.prefetch(first[ahead]);
    };
    bool stepped_over = false;  // the line before was the second file's lack
    auto in_step = [&](std::int64_t line, std::int64_t at) {
        if (at < 0 || at >= second_count || second[at] != first[line]) return false;
        group_of_line_[static_cast<std::size_t>(line)] = group_of_second[static_cast<std::size_t>(at)];
        next = at + 1;
        stepped_over = false;
        return true;
    };
    for (std::int64_t line = lines.from; line < first_count; ++line) {
        prefetch_out_of_step(line);
        if (in_step(line, next) || in_step(line, next + 1) || (stepped_over && in_step(line, next - 1))) continue;
        std::int64_t group = numbers.group(first[line]);
        group_of_line_[static_cast<std::size_t>(line)] = static_cast<Index>(group);
        stepped_over = group < 0;
        if (group < 0) {
            ++next;
            continue;
        }
        auto found = blocks(group);
        auto position = static_cast<std::size_t>(first_ending_after(found, next));
        const Block<Index>& block = found[position == found.size() ? 0 : position];
        next = std::max<std::int64_t>(block.start, std::min<std::int64_t>(next, block.end - 1)) + 1;
    }
}

// Per group, from the last block back: a stack of the blocks seen so far that no
// later one outgrows, so its top, after dropping those no longer than the block
// at hand, is the next longer one.
template <class Index>
void BlockIndex<Index>::link_longer_blocks(std::int64_t second_count) {
    // When every block is one line long, none is longer than another: no links.
    if (static_cast<std::int64_t>(blocks_.size()) == second_count) return;
    longer_step_.resize(blocks_.size());
    WorkVector<std::int64_t> longer;
    for (std::int64_t group = 0; group + 1 < static_cast<std::int64_t>(group_begin_.size()); ++group) {
        auto found = blocks(group);
        auto size = static_cast<std::int64_t>(found.size());
        auto length = [&](std::int64_t position) { return found[static_cast<std::size_t>(position)].length(); };
        longer.clear();
        for (std::int64_t position = size - 1; position >= 0; --position) {
            while (!longer.empty() && length(longer.back()) <= length(position)) longer.pop_back();
            std::int64_t step = (longer.empty() ? size : longer.back()) - position;
            longer_step_[static_cast<std::size_t>(group_begin_at(group) + position)] =
                static_cast<std::uint8_t>(std::min(step, LONGEST_STEP));
            longer.push_back(position);
        }
    }
}

template WorkVector<std::uint16_t> block_rests(const std::uint32_t*, std::int64_t);
template WorkVector<std::int32_t> block_rests(const std::uint32_t*, std::int64_t);
template WorkVector<std::int64_t> block_rests(const std::uint32_t*, std::int64_t);
template class BlockIndex<std::int32_t>;
template class BlockIndex<std::int64_t>;

}  // namespace vesk
