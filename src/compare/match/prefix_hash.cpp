#include "compare/match/prefix_hash.h"

namespace vesk {
namespace {

__extension__ using Wide = unsigned __int128;

// The Mersenne prime 2^61 - 1: reduction is a shift and an add, and every 32-bit
// value (plus one) is a distinct residue below it.
constexpr std::uint64_t MODULUS = (std::uint64_t{1} << 61) - 1;
// Any base far from 0 and 1 does; this one has no small period modulo the prime.
constexpr std::uint64_t BASE = 0x1B873593A2D5C7E1 % MODULUS;

std::uint64_t reduce(Wide value) {
    std::uint64_t folded = static_cast<std::uint64_t>(value & MODULUS) + static_cast<std::uint64_t>(value >> 61);
    folded = (folded & MODULUS) + (folded >> 61);
    return folded >= MODULUS ? folded - MODULUS : folded;
}

std::uint64_t multiply(std::uint64_t a, std::uint64_t b) { return reduce(static_cast<Wide>(a) * b); }

// Each value counts as value + 1, so that a run of zeros is not the empty hash.
std::uint64_t append(std::uint64_t hash, std::uint32_t value) { return reduce(static_cast<Wide>(hash) * BASE + value + 1); }

}  // namespace

template <int KeptShift>
PrefixHash<KeptShift>::PrefixHash(const std::uint32_t* values, std::int64_t count)
    : values_(values), kept_(static_cast<std::size_t>(count >> KeptShift) + 1) {
    constexpr std::int64_t KEPT_MASK = (std::int64_t{1} << KeptShift) - 1;
    std::uint64_t hash = 0;
    for (std::int64_t at = 0; at < count; ++at) {
        hash = append(hash, values[at]);
        if (((at + 1) & KEPT_MASK) == 0) kept_[static_cast<std::size_t>((at + 1) >> KeptShift)] = hash;
    }
}

// The hash of the first `count` values.
template <int KeptShift>
std::uint64_t PrefixHash<KeptShift>::prefix(std::int64_t count) const {
    std::int64_t kept = count >> KeptShift;
    std::uint64_t hash = kept_[static_cast<std::size_t>(kept)];
    for (std::int64_t at = kept << KeptShift; at < count; ++at) hash = append(hash, values_[at]);
    return hash;
}

std::uint64_t stretch_shift(std::int64_t length) {
    std::uint64_t result = 1;
    std::uint64_t power = BASE;
    for (std::uint64_t rest = static_cast<std::uint64_t>(length); rest != 0; rest >>= 1) {
        if ((rest & 1) != 0) result = multiply(result, power);
        power = multiply(power, power);
    }
    return result;
}

template <int KeptShift>
std::uint64_t PrefixHash<KeptShift>::of(std::int64_t from, std::int64_t length, std::uint64_t shift) const {
    std::uint64_t head = multiply(prefix(from), shift);
    std::uint64_t whole = prefix(from + length);
    return whole >= head ? whole - head : whole + MODULUS - head;
}

template class PrefixHash<0>;
template class PrefixHash<2>;

}  // namespace vesk
