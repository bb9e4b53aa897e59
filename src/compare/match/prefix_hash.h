// Hashes of every stretch of a fingerprint sequence in constant time: polynomial
// prefix hashes modulo the prime 2^61 - 1. Equal stretches hash equal; unequal
// ones almost never do, so a hit still has to be confirmed by comparing lines.
// A sequence hashed seldom may keep only one prefix in four and recompute the
// ones between from the values, for a quarter of the memory.
#pragma once

#include <cstdint>
#include <vector>

#include "support/memory.h"

namespace vesk {

// The factor that shifts a hash by `length` places; compute it once per length
// and pass it to PrefixHash::of().
std::uint64_t stretch_shift(std::int64_t length);

// KeptShift: one prefix in 2^KeptShift is kept. Fixed at compile time, so that
// the hash that keeps every prefix costs no more than a table look-up.
template <int KeptShift>
class PrefixHash {
public:
    // `values` must outlive the hashes: the prefixes between kept ones come from it.
    PrefixHash(const std::uint32_t* values, std::int64_t count);

    // The hash of values [from, from + length), given stretch_shift(length).
    std::uint64_t of(std::int64_t from, std::int64_t length, std::uint64_t shift) const;

private:
    std::uint64_t prefix(std::int64_t count) const;

    const std::uint32_t* values_;
    WorkVector<std::uint64_t> kept_;  // kept_[k]: hash of the first k << KeptShift values
};

using FullPrefixHash = PrefixHash<0>;
using SparsePrefixHash = PrefixHash<2>;

extern template class PrefixHash<0>;
extern template class PrefixHash<2>;

}  // namespace vesk
