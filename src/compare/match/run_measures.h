// What the run finder (run_finder.h) and the suffix search (suffix_search.h)
// both use to tell how far a pattern of lines matches, and whether it can.
#pragma once

#include <cstdint>

namespace vesk {

// Lines compared one by one before a costlier way of telling how far lines
// match is taken (a hash of the stretch, or the suffix index): a candidate that
// is no full match mostly fails on the first line or two, and eight fingerprint
// comparisons cost less than one hash (two wide multiplications and two table
// reads) or one lookup; stretches this short need neither.
constexpr std::int64_t LINES_COMPARED_FIRST = 8;

// Whether some stretch shorter than `length` lines both starts and ends the
// first `length` lines (a border): only then can two places where they all
// match overlap. Patterns longer than 64 lines are taken to overlap, which is
// never wrong, only slower.
bool may_overlap_itself(const std::uint32_t* lines, std::int64_t length);

}  // namespace vesk
