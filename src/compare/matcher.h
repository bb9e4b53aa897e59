// The longest-run matcher: decides which lines of the first file correspond to
// which lines of the second, by fingerprints alone. Greedy: the longest run of
// equal lines inside a window is matched first, then the parts before and after
// it are treated alike. Only marks 0 -> 1 are ever written; the run table
// (run_table.h) is made afresh for each call and is gone when it returns.
//
// This header is the matcher's manual: what it computes (the scan), the rule
// every faster way of computing it keeps, the ladder of those ways, where each
// structure lives, and the words the code uses for them.
//
// THE SCAN
//
// Lines are compared by fingerprint only: fp1[i] for line i of the first file
// (count1 lines), fp2[j] for line j of the second (count2). The run table holds
// for every first-file line i a length L[i] and a start S[i], all 0 at first. A
// window is [lo1, hi1) of the first file with [lo2, hi2) of the second.
//
// find_run(i, end1, lo2, hi2), the run of line i reaching at most to end1 in the
// first file and lying in [lo2, hi2) of the second; a resuming scan:
//   1. best = 0, start = 0, j = lo2.
//   2. While j < hi2:
//      a. if fp2[j] != fp1[i], j += 1 and go on;
//      b. if best >= 2: stop the scan when j + best > hi2; compare lines
//         i + k with j + k for k = best - 1 down to 1 (the last line first);
//         at the first that differs, j += 1 and go on; when all match, the run
//         holds best lines already (L = best); else L = 1;
//      c. extend: while i + L < end1, j + L < hi2 and fp1[i + L] = fp2[j + L],
//         L += 1;
//      d. if L > best: best = L, start = j;
//      e. resume at j += L (the scan never looks inside a run it measured).
//   3. L[i] = best; S[i] = start when best > 0 (a run of 0 keeps the old start).
//
// fits(a, window): a + L[a] <= hi1, S[a] >= lo2 and S[a] + L[a] <= hi2.
//
// choose_run(window): the first a in [lo1, hi1), in order, whose L[a] is greater
// than every earlier fitting one and which fits; none (-1) when no fitting run
// is longer than 0. So the leftmost of the longest fitting runs.
//
// refresh_runs(window): d = lo1; while d < hi1:
//   - if d's entry fits, d += 1;
//   - else if L[d] <= LONG_RUN (30), find_run(d, hi1, lo2, hi2), d += 1;
//   - else (a long run that no longer fits) count = hi1 - d when the run
//     reaches past hi1 or past hi2, else L[d]; then, for as many lines as
//     count: find_run(b, hi1, lo2, hi2) from b = d, stepping b on by L[b] when
//     that is longer than LONG_RUN, else by 1; d = where the steps end.
//
// mark_run(i1, i2, length, window): mark lines i1 .. i1 + length - 1 of the
// first file and i2 .. of the second as matched (a line marked twice is a
// program error); then the part before: when i1 > lo1, the window
// [lo1, i1) x [lo2, i2) is refreshed, and its chosen run, if any, marked
// likewise, all of that done before the part after: when i1 + length < hi1,
// the window [i1 + length, hi1) x [i2 + length, hi2) is refreshed and its run
// marked.
//
// The whole: the first pass calls find_run(i, count1, 0, count2) for i from 0,
// stepping i on by L[i] when that is longer than LONG_RUN, else by 1; then the
// run chosen in the whole window (if any) is marked.
//
// tests/compare/reference_matcher.cpp is this scan written out literally.
//
// THE RULE
//
// However they are found, the marks are identical to the scan's on every input,
// and so is the run table, entry for entry, when match_lines returns; the
// equivalence test (tests/compare/matcher_equivalence_test.cpp) checks both
// against the literal scan under every tuning. The only exception allowed is an
// entry that differs where that is provably without effect on the marks.
//
// Deferred lines, the one such exception. A line whose search found a run of
// at most LONG_RUN lines, in which its own fingerprint does not come again, is
// deferred: its scan then skips no candidate, so it records the leftmost of the
// longest runs from the line in the window, and in every later window that
// holds the line (each lies inside this one) the longest runs are no longer.
// Its stored length is therefore an upper bound of its run in every later
// window, and the run is searched for again only where it could be the one
// chosen (Matcher::choose_run()); refresh_runs passes over it. The scan would
// have searched it in every refresh where its entry stopped fitting, and may
// have stored a shorter run or another start there: those entries differ, but
// a line is marked only through choose_run, which finds the deferred line's
// true run before it lets the line win, so the marks are the scan's. The
// equivalence test checks marks everywhere, the entries of every line never
// deferred exactly, and a deferred line's length as at least the scan's
// (Matcher::may_defer() holds the full argument).
//
// THE LADDER
//
// A search (RunFinder::find) takes the cheapest way that answers it:
//   1. The line at the window's start is compared directly: a search whose
//      run from there reaches as far as the line may is settled without any
//      index (identical files never make one).
//   2. The block index, made on first need: the line's first place in the
//      window is measured, and where its fingerprint comes no more after that
//      run (most lines of most pairs), the search ends there; else the
//      candidates are the places of the pattern's rarest block, visited only
//      where the scan's result can change. A candidate is tested last lines
//      first (LINES_COMPARED_FIRST, run_measures.h); once near misses have
//      cost as many lines as both files hold, the prefix hashes are made and a
//      candidate passing those lines is also tested by hash before it is
//      measured.
//   3. The stretch chains, once searches swarm: a search that tests more than
//      its allowance of candidates (32) swarms; when swarming searches have
//      tested 4 candidates per line of both files beyond their allowances, or
//      four single searches each tested a 64th of both files' lines, the
//      chains are made (stretch_chains.h), and from then on every search goes
//      along them first (chain_search.h): a line searched right after the line
//      before it, in the same window, takes its run from that one's where the
//      chains show that no other place could hold or skip it; any other is
//      searched from one full match to the next along them, within an
//      allowance. On files of few distinct values that answers nearly all.
//   4. The suffix index, made when a search that ran out of its allowance
//      along the chains (or came after too many did) swarms through the blocks
//      again: that search, and every later one that swarms (after 2
//      candidates), goes on there (suffix_search.h). Searches from common lines then go there at
//      once while most such searches swarm. Inside the suffix search, windows
//      of at most 512 second-file lines are scanned line by line.
// What decides the steps up is SearchEscalation (search_escalation.h). Typical
// text stays on rung 2; the tuning (matcher_tuning.h) forces each rung in tests.
//
// WHERE THINGS ARE
//
// Every file below but matcher.cpp is in compare/match/, the matcher's own
// machinery; nothing else in the program includes it.
//
// structure          question it answers                                    file
// run table          L[i], S[i]: the run last recorded for each line        run_table.h
// run tree           next entry that does not fit a window; the leftmost    run_tree.h
//                    longest fitting one (choose_run without the walk)
// line states        retired lines (every later find_run stores 0) and      matcher.cpp
//                    deferred ones (see Deferred lines)
// block rests        lines from here to the end of this line's block        line_blocks.h
// block index        the second file's blocks of a fingerprint, in order    line_blocks.h
// stretch chains     the next (previous) second-file line with the same     stretch_chains.h
//                    8 to 32 lines as this one
// chain search       find_run along the stretch chains                      chain_search.h
// stretch ends       where a search from a stretch of one repeated line,    stretch_ends.h
//                    with best that stretch, grows its run
// prefix hashes      do two stretches (probably) hold the same lines        prefix_hash.h
// suffix array       the second file's suffixes in sorted order             suffix_array.h
// common prefixes    lines a sorted suffix shares with the one before it    suffix_array.h
// range minima       least common prefix over a range of places; nearest    range_min.h
//                    place below a length on either side
// wavelet matrix     first second-file line at or after x among a range     wavelet_matrix.h
//                    of places
// suffix index       lines shared by a first-file and a second-file line    suffix_index.h
//                    from there on; the places sharing that many
// suffix search      find_run through the suffix index                      suffix_search.h
// run finder         find_run through the blocks, handing over as needed    run_finder.h
// search escalation  when hashes are used, when a search hands over to the  search_escalation.h
//                    suffix index and when that is made
// run measures       first lines compared one by one; can a pattern         run_measures.h
//                    overlap itself
//
// WORDS
//
// run: lines that match from line i of the first file and line j of the
//   second, one by one, as far as find_run's bounds allow.
// window: the part [lo1, hi1) x [lo2, hi2) of both files a run must lie in.
// stretch: consecutive lines of one file, as a unit (what a hash is taken of).
// block: a longest stretch of equal lines (one fingerprint) in one file.
// rest: of a line, the lines from it to the end of its block, itself included.
// pattern: the first best lines (or best + 1) from line i, which the scan's
//   next useful stop must hold from its j.
// place: a second-file line j where a pattern may start; inside the suffix
//   index, the standing of a second-file suffix in sorted order.
// candidate: a place the search tests for holding the pattern (its rarest
//   block lies there).
// full match: a candidate that holds the whole pattern: a stop of the scan.
// near miss: a candidate whose last lines matched but whose run fell short of
//   the pattern; its measured lines are what near misses cost.
// swarm: a search swarms when it tests more candidates than its allowance: its
//   line is so common that the blocks hold too many places.
// retired: a first-file line whose find_run found no line of its fingerprint
//   in a window; every later window that holds it lies inside that one, so its
//   later searches are skipped.
// border: a stretch that both starts and ends a pattern and is shorter than
//   it; only a pattern with one can match at two overlapping places.
// zone: in the suffix search, the lines before the place of the longest run
//   from which a run could reach into that place (the M - 1 before it).
// chain: the stops the scan makes while best does not grow: places of best
//   lines taken greedily without overlap, each resuming after the last.
#pragma once

#include <cstdint>

#include "compare/match/matcher_tuning.h"
#include "compare/match/run_table.h"
#include "model/line_table.h"
#include "support/error_report.h"

namespace vesk {

// A run longer than this (strictly) lets the scans skip the lines it covers.
constexpr std::int64_t LONG_RUN = 30;

// Marks the matched lines of both files (marks 0 -> 1). Program errors:
// emit_error + end_run(2); no memory for the run table: alloc_or_exit's message
// + end_run(1); no memory for a working array: MemoryShortage.
void match_lines(LineTable& first, LineTable& second, Diagnostics& diagnostics);

// Also hands back the run table as the matcher left it; the tuning changes only
// how the runs are found.
RunTableEntries match_lines(LineTable& first, LineTable& second, Diagnostics& diagnostics,
                            const MatcherTuning& tuning);

}  // namespace vesk
