#include "compare/match/suffix_index.h"

#include <algorithm>
#include <bit>
#include <limits>
#include <new>
#include <span>

#include "compare/match/suffix_array.h"
#include "support/run_end.h"

namespace vesk {
namespace {

// The renumbered lines: the end mark is the smallest symbol and unique, as the
// suffix array asks; the separator keeps a first-file match from running into
// the second file.
constexpr std::int64_t END_MARK = 0;
constexpr std::int64_t SEPARATOR = 1;
constexpr std::int64_t ABSENT = 2;  // a first-file line that the second file lacks
constexpr std::int64_t FIRST_GROUP = 3;

// Ranges of places at most this wide are read entry by entry: that costs less
// than a walk down the wavelet matrix's levels.
constexpr std::int64_t DIRECT_PLACES = 128;

// Places looked at one by one on either side for the nearest of a range of lines
// before the wavelet matrix is asked: they lie side by side in memory, while the
// matrix's levels lie far apart once the files are large, and on files of few
// distinct lines the nearest place mostly lies within this many.
constexpr std::int64_t NEARBY_PLACES = 512;

// Fingerprints a fetch brings in at once: 64-byte cache lines.
constexpr std::int64_t FINGERPRINTS_PER_CACHE_LINE = 16;

// Where the second file has fewer distinct lines than one in this many, the
// two matrices are not made at once: each one's making holds two working
// arrays of a number per line, and on such files (a few values, lone braces,
// 4 % distinct lines of code) the index already makes the run's peak of memory,
// at 1.45 x GNU diff's on 64 values; where lines are varied (37 % distinct and
// more in the benchmark's shapes) the peak lies elsewhere.
constexpr std::int64_t LINES_PER_VARIED_GROUP = 8;

// Returned by nearby_place() when the places it looked at hold none of the lines.
constexpr std::int64_t NOT_NEARBY = -2;

int bits_for(std::int64_t count) {
    return std::max(1, static_cast<int>(std::bit_width(static_cast<std::uint64_t>(count))));
}

}  // namespace

// The suffix array of both files laid end to end (the first file's stretches
// that the second file has, see renumbered_text(); a separator; the second
// file; an end mark) gives the order; what the searches need of it is kept,
// and the array goes.
template <class Index>
SuffixIndex<Index>::SuffixIndex(const BlockIndex<Index>& blocks, std::int64_t first_count, std::int64_t second_count,
                                const std::atomic<bool>* stop, bool matrices, const std::atomic<bool>* waiting)
    : first_count_(first_count),
      second_count_(second_count),
      first_(static_cast<std::size_t>(first_count)),
      second_lines_(static_cast<std::size_t>(second_count)),
      place_of_line_(static_cast<std::size_t>(second_count)),
      recurrences_(static_cast<std::size_t>(second_count)) {
    auto stage_done = [stop] {
        if (stop != nullptr && stop->load(std::memory_order_relaxed)) throw SuffixIndexStopped{};
    };
    {
        Text text = renumbered_text(blocks);
        first_part_ = static_cast<std::int64_t>(text.symbols.size()) - second_count_ - 2;
        WorkVector<Index> sorted = suffix_array(std::span<const Index>(text.symbols), FIRST_GROUP + blocks.groups());
        stage_done();
        auto beside = [waiting] { return waiting != nullptr && waiting->load(std::memory_order_relaxed); };
        WorkVector<Index> shared = common_prefixes(std::move(text.symbols), std::span<const Index>(sorted), beside());
        stage_done();
        in_halves(beside(), [&](int half) {
            if (half == 0) place_suffixes(sorted, shared, text.first_lines);
            else measure_above(sorted, shared, text.first_lines);
        });
        place_lone_lines(blocks, text.last_group);
    }
    if (!matrices) return;
    stage_done();
    make_matrix(0);
    stage_done();
    make_matrix(1);
}

template <class Index>
void SuffixIndex<Index>::make_matrix(int which) {
    if (which == 0)
        lines_by_place_.emplace(WorkVector<Index>(second_lines_), bits_for(second_count_));
    else
        places_by_line_.emplace(WorkVector<Index>(place_of_line_), bits_for(second_count_));
}

// A refusal of memory on the making's thread is no end of the run: the
// searches may never need the index, and if they do, making it again refuses
// where it would have without this thread. The memory held back for ending the
// run, which the refusal gave back, is taken again.
template <class Index>
SuffixIndexAhead<Index>::SuffixIndexAhead(const BlockIndex<Index>& blocks, std::int64_t first_count,
                                          std::int64_t second_count, std::atomic<bool>& placed)
    : placed_signal_(placed),
      two_at_once_(blocks.groups() * LINES_PER_VARIED_GROUP >= second_count),
      thread_([this, &blocks, first_count, second_count] {
          try {
              made_.emplace(blocks, first_count, second_count, &stop_, false, &taker_waits_);
              settle(placed_);
              if (stop_) throw SuffixIndexStopped{};
              made_->make_matrix(0);
              if (!second_claimed_.exchange(true)) {
                  if (stop_) throw SuffixIndexStopped{};
                  made_->make_matrix(1);
              }
          } catch (const SuffixIndexStopped&) {
              failed_ = true;
          } catch (const MemoryShortage&) {
              failed_ = true;
              hold_memory_for_ending();
          } catch (const std::bad_alloc&) {
              failed_ = true;
              hold_memory_for_ending();
          }
          settle(ended_);
      }) {}

template <class Index>
void SuffixIndexAhead<Index>::settle(bool& what) {
    std::lock_guard lock(lock_);
    what = true;
    placed_signal_.store(true, std::memory_order_release);
    changed_.notify_all();
}

template <class Index>
SuffixIndexAhead<Index>::~SuffixIndexAhead() {
    stop_ = true;
}

template <class Index>
std::optional<SuffixIndex<Index>> SuffixIndexAhead<Index>::take() {
    bool beside = false;
    {
        std::unique_lock lock(lock_);
        taker_waits_ = true;
        changed_.wait(lock, [this] { return placed_ || ended_; });
        taker_waits_ = false;
        beside = !ended_;
    }
    if (beside && two_at_once_ && !second_claimed_.exchange(true)) made_->make_matrix(1);
    thread_.join();
    if (failed_) return std::nullopt;
    return std::move(made_);
}

// Whether a first-file line lies in a stretch of two or more lines that the
// second file has.
template <class Index>
bool SuffixIndex<Index>::in_segment(const BlockIndex<Index>& blocks, std::int64_t line) const {
    return blocks.group_of(line) >= 0 && ((line > 0 && blocks.group_of(line - 1) >= 0) ||
                                          (line + 1 < first_count_ && blocks.group_of(line + 1) >= 0));
}

// The first file's part holds only its stretches of two lines and more that the
// second file has, each followed by a separator (ABSENT): a match with the
// second file stops at any line it lacks, so what follows such a line changes
// no first-file suffix's place among the second file's, and the lines that
// stand alone between lines it lacks are placed apart (place_lone_lines()).
// On a file against every other one of its lines, that leaves out most of it.
// Where that leaves out less than a third of the file, the first file's part
// holds all its lines instead, each in its place (a line the second file
// lacks as the separator): the list of the lines in the part would cost more
// memory than the shorter text saves.
template <class Index>
typename SuffixIndex<Index>::Text SuffixIndex<Index>::renumbered_text(const BlockIndex<Index>& blocks) const {
    std::int64_t part = 0;
    for (std::int64_t line = 0; line < first_count_; ++line) {
        if (!in_segment(blocks, line)) continue;
        ++part;
        if (line + 1 == first_count_ || blocks.group_of(line + 1) < 0) ++part;
    }
    const bool whole = 3 * part > 2 * first_count_;
    if (whole) part = first_count_;
    Text text{WorkVector<Index>(static_cast<std::size_t>(part + second_count_ + 2)),
              WorkVector<Index>(whole ? 0 : static_cast<std::size_t>(part)), -1};
    std::size_t at = 0;
    for (std::int64_t line = 0; whole && line < first_count_; ++line) {
        const std::int64_t group = blocks.group_of(line);
        text.symbols[at++] = static_cast<Index>(group < 0 ? ABSENT : FIRST_GROUP + group);
    }
    for (std::int64_t line = 0; !whole && line < first_count_; ++line) {
        if (!in_segment(blocks, line)) continue;
        text.first_lines[at] = static_cast<Index>(line);
        text.symbols[at++] = static_cast<Index>(FIRST_GROUP + blocks.group_of(line));
        if (line + 1 < first_count_ && blocks.group_of(line + 1) >= 0) continue;
        text.first_lines[at] = -1;
        text.symbols[at++] = static_cast<Index>(ABSENT);
    }
    text.symbols[at] = static_cast<Index>(SEPARATOR);
    Index* second = text.symbols.data() + at + 1;
    for (std::int64_t group = 0; group < blocks.groups(); ++group)
        for (const Block<Index>& block : blocks.blocks(group)) {
            std::fill(second + block.start, second + block.end, static_cast<Index>(FIRST_GROUP + group));
            if (block.end == second_count_) text.last_group = group;
        }
    text.symbols.back() = static_cast<Index>(END_MARK);
    return text;
}

// A first-file line that the second file has, between lines it lacks (or an
// end of the file): its suffix sorts as its line followed by a symbol below
// every line, so after the second-file suffix of that line alone (the second
// file's last line, where that is one) and before the others that begin with
// its line, and it shares one line with each such neighbour. A line the
// second file lacks keeps place 0, sharing nothing either way.
template <class Index>
void SuffixIndex<Index>::place_lone_lines(const BlockIndex<Index>& blocks, std::int64_t last_group) {
    WorkVector<Index> before(static_cast<std::size_t>(blocks.groups()) + 1);  // second-file lines of lower groups
    for (std::int64_t group = 0; group < blocks.groups(); ++group) {
        std::int64_t lines = 0;
        for (const Block<Index>& block : blocks.blocks(group)) lines += block.length();
        before[static_cast<std::size_t>(group) + 1] = static_cast<Index>(before[static_cast<std::size_t>(group)] + lines);
    }
    for (std::int64_t line = 0; line < first_count_ && first_part_ < first_count_; ++line) {
        const std::int64_t group = blocks.group_of(line);
        if (group < 0 || in_segment(blocks, line)) continue;
        const bool after_last = group == last_group;
        const std::int64_t from = before[static_cast<std::size_t>(group)];
        const std::int64_t to = before[static_cast<std::size_t>(group) + 1];
        first_[static_cast<std::size_t>(line)] = {static_cast<Index>(from + (after_last ? 1 : 0)), after_last ? 1 : 0,
                                                  from + (after_last ? 1 : 0) < to ? 1 : 0};
    }
}

// Through the sorted suffixes in order (shared[r]: what the suffixes at r - 1 and
// r have in common): the second-file suffixes get their places, each with what
// it shares with the one before; each first-file suffix gets the place it stands
// at and what it shares with the second-file suffix before it, the least shared
// value since that one. Suffixes that share RECURRING_SPAN lines stand together,
// and every place of such a group gets the group's count of first-file suffixes.
template <class Index>
void SuffixIndex<Index>::place_suffixes(const WorkVector<Index>& sorted, const WorkVector<Index>& shared,
                                        const WorkVector<Index>& first_lines) {
    constexpr std::int64_t NONE_YET = std::numeric_limits<Index>::max();
    WorkVector<Index> commons(static_cast<std::size_t>(second_count_));
    std::int64_t places = 0;
    std::int64_t since = 0;  // shared with the last second-file suffix passed; 0 before the first
    std::int64_t group_start = 0;
    std::int64_t group_firsts = 0;
    for (std::size_t rank = 0; rank < sorted.size(); ++rank) {
        if (shared[rank] < RECURRING_SPAN) {
            std::fill(recurrences_.begin() + group_start, recurrences_.begin() + places,
                      static_cast<std::uint8_t>(std::min<std::int64_t>(group_firsts, 2)));
            group_start = places;
            group_firsts = 0;
        }
        since = std::min<std::int64_t>(since, shared[rank]);
        std::int64_t at = sorted[rank];
        if (is_first(at)) {
            const std::int64_t line = first_line_at(first_lines, at);
            if (line < 0) continue;
            // Only these two: measure_above() may be setting `above` meanwhile.
            first_[static_cast<std::size_t>(line)].place = static_cast<Index>(places);
            first_[static_cast<std::size_t>(line)].below = static_cast<Index>(since);
            ++group_firsts;
        } else if (is_second(at)) {
            std::int64_t line = at - first_part_ - 1;
            second_lines_[static_cast<std::size_t>(places)] = static_cast<Index>(line);
            place_of_line_[static_cast<std::size_t>(line)] = static_cast<Index>(places);
            commons[static_cast<std::size_t>(places)] = static_cast<Index>(since);
            ++places;
            since = NONE_YET;
        }
    }
    std::fill(recurrences_.begin() + group_start, recurrences_.end(),
              static_cast<std::uint8_t>(std::min<std::int64_t>(group_firsts, 2)));
    common_.emplace(std::move(commons));
}

// The same backwards: what each first-file suffix shares with the second-file
// suffix after it, the least shared value up to that one.
template <class Index>
void SuffixIndex<Index>::measure_above(const WorkVector<Index>& sorted, const WorkVector<Index>& shared,
                                       const WorkVector<Index>& first_lines) {
    std::int64_t until = 0;  // shared with the next second-file suffix; 0 after the last
    for (std::size_t rank = sorted.size(); rank-- > 0;) {
        std::int64_t at = sorted[rank];
        if (is_first(at) && first_line_at(first_lines, at) >= 0)
            first_[static_cast<std::size_t>(first_line_at(first_lines, at))].above = static_cast<Index>(until);
        until = is_second(at) ? std::int64_t{shared[rank]} : std::min<std::int64_t>(until, shared[rank]);
    }
}

// Between two places the suffixes share the least of what each neighbour on the
// way shares with the one before it.
template <class Index>
std::int64_t SuffixIndex<Index>::common(const SuffixPosition& first, std::int64_t place) const {
    if (place < first.place)
        return place + 1 == first.place ? first.below : std::min(first.below, common_->min(place + 1, first.place));
    return place == first.place ? first.above : std::min(first.above, common_->min(first.place + 1, place + 1));
}

// A line's place may be past the last suffix; the one before it is fetched then.
template <class Index>
void SuffixIndex<Index>::fetch_suffixes_around(std::int64_t line) const {
    std::int64_t place = std::min<std::int64_t>(first_[static_cast<std::size_t>(line)].place, second_count_ - 1);
    if (place < 0) return;
    __builtin_prefetch(second_lines_.data() + std::max<std::int64_t>(place - 1, 0));
    __builtin_prefetch(second_lines_.data() + place);
    common_->fetch(place);
}

// Measuring at a line reads its fingerprints and place; the zone check reads
// the lines before it and the place of the stretch that ends there.
template <class Index>
void SuffixIndex<Index>::fetch_lines_around(std::int64_t line, const std::uint32_t* second) const {
    std::int64_t place = first_[static_cast<std::size_t>(line)].place;
    if (place >= second_count_) return;
    std::int64_t at2 = second_lines_[static_cast<std::size_t>(place)];
    __builtin_prefetch(second + std::max<std::int64_t>(at2 - 1, 0));
    __builtin_prefetch(second + at2 + FINGERPRINTS_PER_CACHE_LINE - 1);
    __builtin_prefetch(place_of_line_.data() + at2);
    __builtin_prefetch(place_of_line_.data() + std::max<std::int64_t>(at2 - RECURRING_SPAN + 1, 0));
}

template <class Index>
void SuffixIndex<Index>::fetch_recurrences_around(std::int64_t line) const {
    std::int64_t place = first_[static_cast<std::size_t>(line)].place;
    if (place >= second_count_) return;
    std::int64_t at2 = second_lines_[static_cast<std::size_t>(place)];
    common_->fetch(place_of_second(at2));
    if (at2 >= RECURRING_SPAN - 1)
        __builtin_prefetch(recurrences_.data() + place_of_second(at2 - RECURRING_SPAN + 1));
}

template <class Index>
PlaceRange SuffixIndex<Index>::sharing(const SuffixPosition& first, std::int64_t length) const {
    std::int64_t from = first.below < length ? first.place : common_->last_below(first.place - 1, length);
    std::int64_t to = first.above < length ? first.place : common_->first_below(first.place + 1, length);
    return {from, to};
}

template <class Index>
std::int64_t SuffixIndex<Index>::first_second_line(PlaceRange places, std::int64_t from) const {
    if (places.to - places.from > DIRECT_PLACES) return lines_by_place_->next_at_least(places.from, places.to, from);
    std::int64_t first = -1;
    for (std::int64_t k = places.from; k < places.to; ++k) {
        std::int64_t line = second_line(k);
        if (line >= from && (first < 0 || line < first)) first = line;
    }
    return first;
}

template <class Index>
NearPlaces SuffixIndex<Index>::nearest_places(std::int64_t place, std::int64_t from, std::int64_t to,
                                              bool look_nearby) const {
    NearPlaces near{NOT_NEARBY, NOT_NEARBY};
    if (look_nearby) near = {nearby_place(place, from, to, -1), nearby_place(place, from, to, +1)};
    if (near.below == NOT_NEARBY || near.above == NOT_NEARBY) {
        WaveletMatrix::Around around = places_by_line_->around(from, to, place);
        near = {around.below, around.above};
    }
    return near;
}

// The nearest place below `place` (direction -1) or at or above it (+1) whose
// line lies in [from, to) among the NEARBY_PLACES places there: -1 when the
// places end first, NOT_NEARBY when none of those holds one.
template <class Index>
std::int64_t SuffixIndex<Index>::nearby_place(std::int64_t place, std::int64_t from, std::int64_t to,
                                              int direction) const {
    // One comparison tells a line in [from, to): below from, the difference wraps.
    auto width = static_cast<std::uint64_t>(to - from);
    std::int64_t k = direction < 0 ? place - 1 : place;
    std::int64_t end = direction < 0 ? std::max<std::int64_t>(place - 1 - NEARBY_PLACES, -1)
                                     : std::min(place + NEARBY_PLACES, second_count_);
    for (; k != end; k += direction)
        if (static_cast<std::uint64_t>(second_line(k) - from) < width) return k;
    return end == -1 || end == second_count_ ? -1 : NOT_NEARBY;
}

template class SuffixIndex<std::int32_t>;
template class SuffixIndex<std::int64_t>;
template class SuffixIndexAhead<std::int32_t>;
template class SuffixIndexAhead<std::int64_t>;

}  // namespace vesk
