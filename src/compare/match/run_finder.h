// The search behind find_run: the longest run that starts at one line of the
// first file, as the scan (matcher.h) over the second file's window measures it,
// found by visiting only the second-file lines where the scan's result can change.
// Those are first found through the blocks of equal lines (line_blocks.h). Where
// a line is so common that a search tests many of them (it swarms), the search
// goes on through the suffix index (suffix_search.h); when it does, and when the
// index is made, is decided by search_escalation.h. Before it, once searches
// swarm, they go along the stretch chains (chain_search.h), which answer most
// on files of few distinct values without the index. Typical text never gets
// there.
// Index: the stored width of line numbers in the block index (see line_blocks.h).
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <vector>

#include "compare/match/chain_search.h"
#include "compare/match/line_blocks.h"
#include "compare/match/matcher_tuning.h"
#include "compare/match/prefix_hash.h"
#include "compare/match/run_measures.h"
#include "compare/match/run_table.h"
#include "compare/match/search_escalation.h"
#include "compare/match/stretch_chains.h"
#include "compare/match/stretch_ends.h"
#include "compare/match/suffix_index.h"
#include "compare/match/suffix_search.h"
#include "model/line_table.h"
#include "support/memory.h"

namespace vesk {

struct RunFinderSettings {
    // Every stretch hashes alike, so every candidate is confirmed by comparing its
    // lines (tests only).
    bool all_hashes_equal = false;
    // How many lines candidates that turn out no full match may cost before the
    // hashes are made and used (0: from the first candidate on).
    std::int64_t near_miss_allowance = 0;
    SuffixSearching suffixes = SuffixSearching::when_candidates_swarm;
    StretchChaining chaining = StretchChaining::when_candidates_swarm;
    std::int64_t beside_from_lines = std::int64_t{1} << 20;  // see MatcherTuning
};

template <class Index>
class RunFinder {
public:
    // runs: the run table as the matcher keeps it (Matcher::look_at()).
    RunFinder(const LineTable& first, const LineTable& second, const RunTable<Index>& runs,
              const RunFinderSettings& settings);
    // A finder for a second thread, beside `origin`: the two share the rests and
    // every index either has made or makes from now on (each is made once, by
    // the first that needs it), and each keeps its own state of searching. What
    // a search finds depends on neither, so both find what either would.
    struct Beside {};
    RunFinder(Beside, const RunFinder& origin);
    RunFinder(const RunFinder&) = delete;
    RunFinder& operator=(const RunFinder&) = delete;

    // Whether a second thread shares the work (MatcherTuning::beside_from_lines).
    bool shares_work() const { return beside_; }
    // The run table's entries before `line` are not read from now on: another
    // thread may be writing them (see known_length()).
    void read_runs_from(std::int64_t line) { runs_from_ = line; }
    // Whether either finder has handed a search over to the chains or the
    // suffix index (see search()).
    bool handed_over_beside() const;
    // While on, a search that swarms before the suffix index made ahead is
    // placed stops there, and find() answers nothing for it: take_postponed()
    // then tells so, once. Under the tuning that has a second thread help on
    // files of any size, every search that swarms is postponed so.
    void postpone_swarming(bool on) { postpones_ = on; }
    void hurry_to_index(bool on) { hurries_ = on; }
    bool take_postponed() {
        const bool postponed = postponed_;
        postponed_ = false;
        return postponed;
    }

    // The run the scan records for `line`, reaching at most to end1 in the first
    // file and lying in [lo2, hi2) of the second.
    FoundRun find(std::int64_t line, std::int64_t end1, std::int64_t lo2, std::int64_t hi2);

    // The last line after the last search's own for which find() in the same
    // window would only repeat its answer, last_found(), without searching; -1
    // when there is none (see keep_last_search()).
    std::int64_t last_search_holds_through(std::int64_t end1, std::int64_t lo2, std::int64_t hi2) const {
        return last_.in(end1, lo2, hi2) ? last_.through : -1;
    }
    FoundRun last_found() const { return last_.found; }

    // The first line at or after `from` in the second file with the fingerprint
    // of `line`, or a line past every window when there is none.
    std::int64_t first_at_or_after(std::int64_t line, std::int64_t from);

private:
    struct Pattern;
    struct Shared;
    struct Bounds {
        std::int64_t end1, hi2;
    };

    // The window a search was asked in.
    struct SearchedWindow {
        std::int64_t end1 = 0, lo2 = 0, hi2 = 0;

        bool in(std::int64_t other_end1, std::int64_t other_lo2, std::int64_t other_hi2) const {
            return end1 == other_end1 && lo2 == other_lo2 && hi2 == other_hi2;
        }
    };
    // A search whose answer the lines after its own up to `through` repeat in
    // its window; through -1 when there is none.
    struct LastSearch : SearchedWindow {
        std::int64_t line = -1, through = -1;
        FoundRun found{0, 0};
    };

    void keep_last_search(std::int64_t line, std::int64_t end1, std::int64_t lo2, std::int64_t hi2, FoundRun found);
    FoundRun find_with_chains(std::int64_t line, std::int64_t end1, std::int64_t lo2, std::int64_t hi2);
    std::optional<FoundRun> search_along_chains(std::int64_t line, std::int64_t end1, std::int64_t lo2,
                                                std::int64_t hi2);
    void make_chains();
    void take_up_made_beside();
    bool chains_pay();
    bool keeps_testing(std::int64_t& left);
    [[gnu::always_inline]] inline FoundRun search(std::int64_t line, std::int64_t end1, std::int64_t lo2,
                                                  std::int64_t hi2);
    [[gnu::always_inline]] inline FoundRun find_by_blocks(std::int64_t line, std::int64_t end1, std::int64_t lo2,
                                                          std::int64_t hi2);
    FoundRun search_with_index(std::int64_t line, std::int64_t end1, std::int64_t lo2, std::int64_t hi2);
    FoundRun search_as_tuned(std::int64_t line, std::int64_t end1, std::int64_t lo2, std::int64_t hi2);
    FoundRun find_by_suffixes(std::int64_t line, std::int64_t end1, std::int64_t lo2, std::int64_t hi2);
    bool common_line(std::int64_t line);
    void begin_index_ahead();
    std::int64_t measure(std::int64_t line, std::int64_t at2, const Bounds& bounds) const;
    std::int64_t measure_with_index(std::int64_t line, std::int64_t at2, std::int64_t length, std::int64_t limit) const;
    std::int64_t known_length(std::int64_t line, std::int64_t at2) const;
    std::int64_t measure_in_block(const Pattern& pattern, std::int64_t at2, const Block<Index>& block,
                                  const Bounds& bounds) const;
    const BlockIndex<Index>& index() {
        if (!blocks_) [[unlikely]]
            make_index();
        return *blocks_;
    }
    [[gnu::cold]] void make_index();
    std::int64_t last_place(std::int64_t line);
    void fit_pattern(Pattern& pattern, std::int64_t best);
    void widen(Pattern& pattern, std::int64_t length);
    bool full_match_at(Pattern& pattern, std::int64_t at2);
    bool same_hash(Pattern& pattern, std::int64_t at2);
    FoundRun next_full_match(Pattern& pattern, std::int64_t resume, const Bounds& bounds, std::int64_t best);

    std::int64_t shortest_useful_block(const Pattern& pattern, std::int64_t best) const;
    bool whole_stretch(const Pattern& pattern, std::int64_t best) const;
    FoundRun next_longer_stretch_match(const Pattern& pattern, std::int64_t resume, const Bounds& bounds);
    [[gnu::always_inline]] inline std::int64_t candidate(const Pattern& pattern, const Block<Index>& block,
                                                         std::int64_t resume) const;
    StretchEnds<Index>& stretch_ends();

    const std::uint32_t* fp1_;
    const std::uint32_t* fp2_;
    const RunTable<Index>& runs_;
    std::int64_t runs_from_ = 0;  // see read_runs_from()
    std::int64_t count1_;
    std::int64_t count2_;
    // What the finders share; below, this finder's own pointers to it, set
    // when it first needs each.
    std::shared_ptr<Shared> shared_;
    const Index* rest1_;  // block_rests() of each file
    // Read only where a lower bound does (measuring a run), so capped at 16 bits.
    const std::uint16_t* rest2_;
    const BlockIndex<Index>* blocks_ = nullptr;  // made on first need, as are the hashes
    const SparsePrefixHash* hash1_ = nullptr;  // hashed once per pattern
    const FullPrefixHash* hash2_ = nullptr;    // hashed once per candidate
    bool all_hashes_equal_;
    SuffixSearching suffix_searching_;
    StretchEnds<Index>* stretch_ends_ = nullptr;  // made on first need
    const SuffixIndex<Index>* suffixes_ = nullptr;  // made at the first handover, see find_by_suffixes()
    SearchEscalation escalation_;
    LastSearch last_;  // see keep_last_search()
    StretchChaining chaining_;
    const StretchChains<Index>* chains_ = nullptr;  // see make_chains()
    std::optional<ChainSearch<Index>> chain_search_;  // along chains_
    // Whether searches still go along the chains, and how many ran out of their
    // allowance there (see search_along_chains()).
    bool searching_chains_ = false;
    std::int64_t chain_allowance_ = 0;
    std::int64_t chain_searches_ = 0;
    std::int64_t chain_failures_ = 0;
    // The last search of all, once the chains are made (see find_with_chains()).
    struct Link : SearchedWindow {
        std::int64_t line = -1;
        FoundRun found{0, 0};
    };
    Link previous_;
    // Whether a second thread shares the work (MatcherTuning::beside_from_lines).
    bool beside_ = false;
    std::int64_t searches_to_look_ = 0;  // see take_up_made_beside()
    bool forced_beside_ = false;  // MatcherTuning::beside_from_lines is 0
    bool postpones_ = false;  // see postpone_swarming()
    bool hurries_ = false;    // see hurry_to_index()
    bool postponed_ = false;
    // The suffix index is begun ahead of the first handover (see
    // begin_index_ahead()) once the searches that swarm have cost this many
    // 64ths of their allowance; -1: not (or no longer) to be begun.
    std::int64_t ahead_share_ = -1;
};

extern template class RunFinder<std::int32_t>;
extern template class RunFinder<std::int64_t>;

}  // namespace vesk
