#include "compare/prefix_hash.h"

namespace vesk {
namespace {

__extension__ using Wide = unsigned __int128;

// The Mersenne prime 2^61 - 1: reduction is a shift and an add, and every 32-bit
// value (plus one) is a distinct residue below it.
constexpr std::uint64_t kModulus = (std::uint64_t{1} << 61) - 1;
// Any base far from 0 and 1 does; this one has no small period modulo the prime.
constexpr std::uint64_t kBase = 0x1B873593A2D5C7E1 % kModulus;

std::uint64_t reduce(Wide value) {
    std::uint64_t folded = static_cast<std::uint64_t>(value & kModulus) + static_cast<std::uint64_t>(value >> 61);
    folded = (folded & kModulus) + (folded >> 61);
    return folded >= kModulus ? folded - kModulus : folded;
}

std::uint64_t multiply(std::uint64_t a, std::uint64_t b) { return reduce(static_cast<Wide>(a) * b); }

}  // namespace

PrefixHash::PrefixHash(const std::uint32_t* values, std::int64_t count) : prefix_(static_cast<std::size_t>(count) + 1) {
    // Each value counts as value + 1, so that a run of zeros is not the empty hash.
    for (std::int64_t at = 0; at < count; ++at)
        prefix_[at + 1] = reduce(static_cast<Wide>(prefix_[at]) * kBase + values[at] + 1);
}

std::uint64_t PrefixHash::shift_for(std::int64_t length) {
    std::uint64_t result = 1;
    std::uint64_t power = kBase;
    for (std::uint64_t rest = static_cast<std::uint64_t>(length); rest != 0; rest >>= 1) {
        if ((rest & 1) != 0) result = multiply(result, power);
        power = multiply(power, power);
    }
    return result;
}

std::uint64_t PrefixHash::of(std::int64_t from, std::int64_t length, std::uint64_t shift) const {
    std::uint64_t head = multiply(prefix_[from], shift);
    std::uint64_t whole = prefix_[from + length];
    return whole >= head ? whole - head : whole + kModulus - head;
}

}  // namespace vesk
