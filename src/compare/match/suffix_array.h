// Suffix arrays of integer texts, the ground of the suffix index (suffix_index.h):
// every suffix of a text in sorted order, made by induced sorting (SA-IS) in
// linear time whatever the alphabet, and the common prefix of each suffix with the
// one before it in that order (Kasai's method, in text order). Symbols are compared as numbers.
// Index: the stored width of positions, std::int32_t only where the text's length
// fits it (for the suffix index's text: where fits_32_bit_index() allows).
#pragma once

#include <cstdint>
#include <span>

#include "support/memory.h"

namespace vesk {

// The start of every suffix of text, in ascending order of the suffixes. The
// text's last symbol must be 0 and occur nowhere else: it ends every comparison.
// Every symbol lies below alphabet.
template <class Index>
WorkVector<Index> suffix_array(std::span<const Index> text, std::int64_t alphabet);

// The inverse of a suffix array: rank[p] is where the suffix at p stands in it.
template <class Index>
WorkVector<Index> suffix_ranks(std::span<const Index> sorted);

// common[k]: how many symbols the suffixes at sorted[k - 1] and sorted[k] share
// at their start; common[0] is 0. The text is used up: its memory holds the result.
// beside: whether a second thread takes half of each stage.
template <class Index>
WorkVector<Index> common_prefixes(WorkVector<Index>&& text, std::span<const Index> sorted, bool beside = false);

extern template WorkVector<std::int32_t> suffix_array(std::span<const std::int32_t>, std::int64_t);
extern template WorkVector<std::int64_t> suffix_array(std::span<const std::int64_t>, std::int64_t);
extern template WorkVector<std::int32_t> suffix_ranks(std::span<const std::int32_t>);
extern template WorkVector<std::int64_t> suffix_ranks(std::span<const std::int64_t>);
extern template WorkVector<std::int32_t> common_prefixes(WorkVector<std::int32_t>&&, std::span<const std::int32_t>,
                                                         bool);
extern template WorkVector<std::int64_t> common_prefixes(WorkVector<std::int64_t>&&, std::span<const std::int64_t>,
                                                         bool);

}  // namespace vesk
