#include "compare/match/stretch_ends.h"

#include <algorithm>
#include <limits>
#include <tuple>

namespace vesk {

template <class Index>
void StretchEnds<Index>::sort_blocks() {
    struct Entry {
        Index group;
        std::uint32_t next;
        Index length, start;
    };
    WorkVector<Entry> entries;
    for (std::int64_t group = 0; group < blocks_.groups(); ++group)
        for (const Block<Index>& block : blocks_.blocks(group))
            if (block.length() >= 2 && block.end < count_)
                entries.push_back({static_cast<Index>(group), second_[block.end], static_cast<Index>(block.length()),
                                   block.start});
    // Each group's blocks come in file order; sorting stably keeps them so.
    std::stable_sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) {
        return std::tie(a.group, a.next, a.length) < std::tie(b.group, b.next, b.length);
    });
    starts_.reserve(entries.size());
    for (const Entry& entry : entries) {
        if (kinds_.empty() || kinds_.back().group != entry.group || kinds_.back().next != entry.next ||
            kinds_.back().length != entry.length)
            kinds_.push_back({entry.group, entry.next, entry.length, static_cast<Index>(starts_.size())});
        starts_.push_back(entry.start);
    }
    kinds_.push_back({std::numeric_limits<Index>::max(), 0, 0, static_cast<Index>(starts_.size())});
}

// The block's end is where the run can go on: the stop r lines before it holds
// the block's last r lines of v and then w. The first block is stepped through
// from `resume` when that lies inside it, every later one from its start.
template <class Index>
std::int64_t StretchEnds<Index>::growing_stop(std::int64_t line, std::int64_t stretch, std::uint32_t next,
                                              std::int64_t resume, std::int64_t hi2) {
    std::call_once(sorted_, [this] { sort_blocks(); });
    std::int64_t group = blocks_.group_of(line);
    if (group < 0) return -1;
    auto found = blocks_.blocks(group);
    auto position = static_cast<std::size_t>(first_ending_after(found, resume));
    if (position == found.size()) return -1;
    std::int64_t grows_at = std::numeric_limits<std::int64_t>::max();  // the end of the block where best grows
    const Block<Index>& first = found[position];
    std::int64_t left = first.end - resume;
    if (first.start <= resume && left >= stretch && left % stretch == 0 && first.end < count_ &&
        second_[first.end] == next) {
        grows_at = first.end;
    } else {
        auto kind = std::partition_point(kinds_.begin(), kinds_.end() - 1, [&](const Kind& k) {
            return std::tie(k.group, k.next) < std::make_tuple(static_cast<Index>(group), next);
        });
        for (; kind->group == group && kind->next == next; ++kind) {
            if (kind->length % stretch != 0) continue;
            std::int64_t start = first_start_after(*kind, resume);
            if (start >= 0) grows_at = std::min(grows_at, start + kind->length);
        }
    }
    // A block reaching the window's end is cut short there, as is every later one.
    return grows_at < hi2 ? grows_at - stretch : -1;
}

// The first start of the kind's blocks after `resume`, or -1.
template <class Index>
std::int64_t StretchEnds<Index>::first_start_after(const Kind& kind, std::int64_t resume) const {
    auto from = starts_.begin() + kind.begin;
    auto to = starts_.begin() + (&kind + 1)->begin;
    auto at = std::upper_bound(from, to, resume, [](std::int64_t value, Index start) { return value < start; });
    return at == to ? -1 : *at;
}

template class StretchEnds<std::int32_t>;
template class StretchEnds<std::int64_t>;

}  // namespace vesk
