// Hashes of every stretch of a fingerprint sequence in constant time: polynomial
// prefix hashes modulo the prime 2^61 - 1. Equal stretches hash equal; unequal
// ones almost never do, so a hit still has to be confirmed by comparing lines.
// A sequence hashed seldom may keep only one prefix in four and recompute the
// ones between from the values, for a quarter of the memory.
#pragma once

#include <cstdint>
#include <vector>

namespace vesk {

class PrefixHash {
public:
    enum class Kept { every_prefix, one_in_four };

    // `values` must outlive the hashes: the prefixes between kept ones come from it.
    PrefixHash(const std::uint32_t* values, std::int64_t count, Kept kept);

    // The factor that shifts a hash by `length` places; compute it once per
    // length and pass it to of().
    static std::uint64_t shift_for(std::int64_t length);

    // The hash of values [from, from + length), given shift_for(length).
    std::uint64_t of(std::int64_t from, std::int64_t length, std::uint64_t shift) const;

private:
    std::uint64_t prefix(std::int64_t count) const;

    const std::uint32_t* values_;
    int kept_shift_;                   // log2 of the distance between kept prefixes
    std::vector<std::uint64_t> kept_;  // kept_[k]: hash of the first k << kept_shift_ values
};

}  // namespace vesk
