// Hashes of every stretch of a fingerprint sequence in constant time: polynomial
// prefix hashes modulo the prime 2^61 - 1. Equal stretches hash equal; unequal
// ones almost never do, so a hit still has to be confirmed by comparing lines.
#pragma once

#include <cstdint>
#include <vector>

namespace vesk {

class PrefixHash {
public:
    PrefixHash(const std::uint32_t* values, std::int64_t count);

    // The factor that shifts a hash by `length` places; compute it once per
    // length and pass it to of().
    static std::uint64_t shift_for(std::int64_t length);

    // The hash of values [from, from + length), given shift_for(length).
    std::uint64_t of(std::int64_t from, std::int64_t length, std::uint64_t shift) const;

private:
    std::vector<std::uint64_t> prefix_;  // prefix_[k]: hash of the first k values
};

}  // namespace vesk
