// Where stretches of lines recur, for the run search on files whose lines repeat.
// The suffixes of the second file's lines (each line and all after it), in sorted
// order: a line's place is where its suffix stands among them. Every first-file
// line's suffix is placed among them too, with the lines it shares with the
// nearest second-file suffix on either side. From that the index tells how many
// lines a first-file line and a second-file line have in common from there on,
// which places share a given number of lines with a first-file line, and the
// first second-file line at or after a given one among some places. Lines are
// compared by fingerprint, renumbered densely; first-file lines that the second
// file lacks all get one number, since a match with the second file stops at any
// of them anyway.
//
// Everything a search reads first is kept per first-file line, in line order:
// searches mostly go line by line, so those reads stream, and the scattered ones
// start from a place instead of from a rank among both files' suffixes.
// Index: the stored width of positions, std::int32_t only where
// fits_32_bit_index() (matcher_tuning.h) allows.
#pragma once

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <cstdint>
#include <optional>

#include "compare/match/line_blocks.h"
#include "compare/match/range_min.h"
#include "compare/match/wavelet_matrix.h"
#include "support/memory.h"
#include "support/work_thread.h"

namespace vesk {

// Places [from, to) of the second file's sorted suffixes.
struct PlaceRange {
    std::int64_t from, to;
};

// Two places on either side of another, -1 where there is none.
struct NearPlaces {
    std::int64_t below, above;
};

// A first-file line's suffix among the second file's: how many of theirs sort
// before it (its place), and the lines it shares with the one just before and
// the one just after (0 where there is none).
struct SuffixPosition {
    std::int64_t place, below, above;
};

// The stretch length whose recurrences in the first file the index counts for
// every second-file line (see first_file_recurrences()).
constexpr std::int64_t RECURRING_SPAN = 18;

template <class Index>
class SuffixIndex {
public:
    // blocks: the second file's blocks grouped by fingerprint, with the group of
    // every first-file line; both files' line counts. Once `stop` is set, the
    // making throws SuffixIndexStopped at the end of its stage. matrices: whether
    // the two wavelet matrices are made here too; where not, make_matrix()
    // makes each before the index is read. While `waiting` is set, another
    // thread waits idle for the index: the stages after the suffix array then
    // go in halves, one on a thread of their own.
    SuffixIndex(const BlockIndex<Index>& blocks, std::int64_t first_count, std::int64_t second_count,
                const std::atomic<bool>* stop = nullptr, bool matrices = true,
                const std::atomic<bool>* waiting = nullptr);
    // Makes the first (0) or the second (1) wavelet matrix; each reads only
    // what the constructor made, so the two may be made at once, on two threads.
    void make_matrix(int which);

    SuffixPosition position_of_first(std::int64_t line) const {
        const Position& position = first_[static_cast<std::size_t>(line)];
        return {position.place, position.below, position.above};
    }
    std::int64_t place_of_second(std::int64_t line) const { return place_of_line_[static_cast<std::size_t>(line)]; }
    // The second-file line at place k, and how many lines its suffix and the one
    // at place k - 1 have in common from their start (0 for place 0).
    std::int64_t second_line(std::int64_t k) const { return second_lines_[static_cast<std::size_t>(k)]; }
    std::int64_t second_common(std::int64_t k) const { return common_->at(k); }
    std::int64_t second_count() const { return second_count_; }

    // Fetching ahead for a search to come from `line`. Searches mostly go line by
    // line, and once the files are large what one reads first lies outside the
    // caches, one place depending on the last. So the search from line i fetches,
    // in three stages, for the lines a few ahead: the sorted suffixes around the
    // line's place; the second-file lines there (in `second`, the fingerprints)
    // with their places; and what the zone check reads from those places. Each
    // stage reads only what the one before fetched.
    void fetch_suffixes_around(std::int64_t line) const;
    void fetch_lines_around(std::int64_t line, const std::uint32_t* second) const;
    void fetch_recurrences_around(std::int64_t line) const;

    // Lines that a first-file line's suffix (at `first`) and the suffix at a
    // place have in common from their start.
    std::int64_t common(const SuffixPosition& first, std::int64_t place) const;
    // The places whose suffixes have their first `length` lines (at least 1) in
    // common with the first-file suffix at `first`; empty when none has.
    PlaceRange sharing(const SuffixPosition& first, std::int64_t length) const;
    // The first second-file line at or after `from` whose place lies in places,
    // or -1.
    std::int64_t first_second_line(PlaceRange places, std::int64_t from) const;
    // Of the second-file lines [from, to), the places nearest `place` below it
    // and at or above it: for a first-file suffix's place, the two lines of them
    // that have the most lines in common with it. -1 where there is none.
    // look_nearby: whether the places beside `place` are looked at first.
    NearPlaces nearest_places(std::int64_t place, std::int64_t from, std::int64_t to, bool look_nearby) const;
    // How many first-file lines begin the same RECURRING_SPAN lines as second-file
    // line `line` does: 0, 1, or 2 for two or more.
    std::int64_t first_file_recurrences(std::int64_t line) const {
        return recurrences_[static_cast<std::size_t>(place_of_second(line))];
    }

private:
    struct Position {
        Index place, below, above;
    };

    // The suffix array's text (see the constructor), the first-file line at
    // each position of its first part (-1 at a separator), and the group of the
    // second file's last line.
    struct Text {
        WorkVector<Index> symbols;
        WorkVector<Index> first_lines;
        std::int64_t last_group;
    };
    Text renumbered_text(const BlockIndex<Index>& blocks) const;
    void place_suffixes(const WorkVector<Index>& sorted, const WorkVector<Index>& shared,
                        const WorkVector<Index>& first_lines);
    void measure_above(const WorkVector<Index>& sorted, const WorkVector<Index>& shared,
                       const WorkVector<Index>& first_lines);
    void place_lone_lines(const BlockIndex<Index>& blocks, std::int64_t last_group);
    bool in_segment(const BlockIndex<Index>& blocks, std::int64_t line) const;
    bool is_first(std::int64_t at) const { return at < first_part_; }
    // The first-file line at a position of the text's first part, -1 at a
    // separator; first_lines is empty where the part holds every line.
    static std::int64_t first_line_at(const WorkVector<Index>& first_lines, std::int64_t at) {
        return first_lines.empty() ? at : first_lines[static_cast<std::size_t>(at)];
    }
    bool is_second(std::int64_t at) const { return at > first_part_ && at <= first_part_ + second_count_; }
    std::int64_t nearby_place(std::int64_t place, std::int64_t from, std::int64_t to, int direction) const;

    std::int64_t first_count_;
    std::int64_t second_count_;
    std::int64_t first_part_ = 0;  // the text's positions before the second file's separator
    WorkVector<Position> first_;         // per first-file line
    WorkVector<Index> second_lines_;     // per place
    WorkVector<Index> place_of_line_;    // per second-file line
    WorkVector<std::uint8_t> recurrences_;  // per place
    std::optional<RangeMin<Index>> common_;  // per place: second_common()
    // second_lines_ again, to find the first line at or after a place in a range.
    std::optional<WaveletMatrix> lines_by_place_;
    // place_of_line_ again, to find the places nearest a place among a range of lines.
    std::optional<WaveletMatrix> places_by_line_;
};

struct SuffixIndexStopped {};

// The index made on a thread of its own while the searches go on without it,
// for when they will soon need it: the searches' thread takes it then, made or
// not yet. A taker that comes before the two wavelet matrices are begun makes
// the second itself, beside the making of the first, instead of waiting idle,
// where the second file's lines are varied (see the constructor).
// What the making reads (the blocks) must stay until then.
template <class Index>
class SuffixIndexAhead {
public:
    // placed: set once take() would no longer wait for the making's first
    // stages (they are done, or the making ended).
    SuffixIndexAhead(const BlockIndex<Index>& blocks, std::int64_t first_count, std::int64_t second_count,
                     std::atomic<bool>& placed);
    ~SuffixIndexAhead();  // stops the making at the end of its stage
    SuffixIndexAhead(const SuffixIndexAhead&) = delete;
    SuffixIndexAhead& operator=(const SuffixIndexAhead&) = delete;

    // Waits for the index; none where making it was refused memory (the caller
    // makes it again, and so meets the refusal where it would have).
    std::optional<SuffixIndex<Index>> take();

private:
    void settle(bool& what);

    std::atomic<bool> stop_{false};
    std::optional<SuffixIndex<Index>> made_;
    std::mutex lock_;
    std::condition_variable changed_;
    bool placed_ = false;  // made_ holds all but the matrices
    bool ended_ = false;   // the making's thread is done
    bool failed_ = false;  // stopped, or refused memory
    std::atomic<bool>& placed_signal_;
    bool two_at_once_;  // whether a taker may make the second matrix
    std::atomic<bool> second_claimed_{false};  // the second matrix has its maker
    std::atomic<bool> taker_waits_{false};  // a taker waits for the index
    WorkThread thread_;  // last: it starts once the rest is in place
};

extern template class SuffixIndex<std::int32_t>;
extern template class SuffixIndex<std::int64_t>;
extern template class SuffixIndexAhead<std::int32_t>;
extern template class SuffixIndexAhead<std::int64_t>;

}  // namespace vesk
