// The fast matcher against the literal one on many generated pairs: both must
// leave the same marks and the same run table, entry for entry.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <utility>
#include <vector>

#include "compare/fingerprint_pair.h"
#include "compare/matcher.h"
#include "compare/reference_matcher.h"

namespace vesk {
namespace {

using Lines = std::vector<std::uint32_t>;

using Setting = MatcherTuning;

void expect_same_result(const Lines& first, const Lines& second, const Setting& setting) {
    FingerprintPair fast(first, second);
    FingerprintPair literal(first, second);
    RunTableEntries fast_runs = match_lines(fast.run.first, fast.run.second, fast.diagnostics, setting);
    RunTableEntries literal_runs = reference::match_lines(literal.run.first, literal.run.second, literal.diagnostics);
    ASSERT_EQ(fast.marks(fast.run.first), literal.marks(literal.run.first));
    ASSERT_EQ(fast.marks(fast.run.second), literal.marks(literal.run.second));
    ASSERT_EQ(fast_runs.lengths, literal_runs.lengths);
    ASSERT_EQ(fast_runs.starts, literal_runs.starts);
}

// Fingerprint values for a few symbols: the extremes of the range are included so
// that any arithmetic on them that can wrap does.
constexpr std::uint32_t kSymbolValues[] = {0, 0xFFFFFFFFu, 1, 0x80000000u, 0x7FFFFFFFu, 42, 0xFFFFFFFEu, 7};

class PairMaker {
public:
    explicit PairMaker(std::uint32_t seed) : random_(seed) {}

    std::int64_t below(std::int64_t bound) { return std::uniform_int_distribution<std::int64_t>(0, bound - 1)(random_); }

    // Lines drawn from the first `symbols` values: small alphabets repeat a lot.
    Lines drawn(std::int64_t count, std::int64_t symbols) {
        Lines lines;
        for (std::int64_t at = 0; at < count; ++at) lines.push_back(symbol(below(symbols)));
        return lines;
    }

    std::uint32_t symbol(std::int64_t index) {
        return index < 8 ? kSymbolValues[index] : static_cast<std::uint32_t>(1000 + index);
    }

    // A copy with a few lines deleted, inserted or replaced.
    Lines edited(Lines lines, std::int64_t edits, std::int64_t symbols) {
        for (std::int64_t edit = 0; edit < edits; ++edit) {
            std::int64_t at = below(static_cast<std::int64_t>(lines.size()) + 1);
            std::int64_t kind = below(3);
            if (kind == 0 && at < static_cast<std::int64_t>(lines.size())) lines.erase(lines.begin() + at);
            else if (kind == 1) lines.insert(lines.begin() + at, symbol(below(symbols)));
            else if (at < static_cast<std::int64_t>(lines.size())) lines[at] = symbol(below(symbols));
        }
        return lines;
    }

    // Distinct lines cut into segments around the long-run limit, each segment
    // followed by a line of its own, so that runs of 29 to 32 lines arise.
    Lines segments_near_long_run(std::int64_t segments, std::uint32_t marker_base) {
        Lines lines;
        for (std::int64_t segment = 0; segment < segments; ++segment) {
            std::int64_t length = LONG_RUN - 2 + below(5);
            for (std::int64_t at = 0; at < length; ++at) lines.push_back(static_cast<std::uint32_t>(5000 + lines.size()));
            lines.push_back(marker_base + static_cast<std::uint32_t>(segment));
        }
        return lines;
    }

    // Blocks of one repeated line (a closing brace) between a few other lines.
    Lines brace_blocks(std::int64_t blocks, std::int64_t longest) {
        Lines lines;
        for (std::int64_t block = 0; block < blocks; ++block) {
            lines.insert(lines.end(), static_cast<std::size_t>(1 + below(longest)), 125u);
            lines.push_back(symbol(below(3)));
        }
        return lines;
    }

    // Long stretches of a few repeated lines, some longer than a byte can count.
    Lines long_blocks(std::int64_t blocks) {
        Lines lines;
        for (std::int64_t block = 0; block < blocks; ++block)
            lines.insert(lines.end(), static_cast<std::size_t>(200 + below(400)), symbol(below(3)));
        return lines;
    }

    // A word of a few symbols over and over: a pattern taken from it overlaps
    // itself at every multiple of the word's length, and only there.
    Lines periodic(std::int64_t count) {
        Lines word = drawn(3 + below(4), 2);
        Lines lines;
        for (std::int64_t at = 0; at < count; ++at) lines.push_back(word[static_cast<std::size_t>(at) % word.size()]);
        return lines;
    }

    Lines shuffled(Lines lines) {
        std::shuffle(lines.begin(), lines.end(), random_);
        return lines;
    }

private:
    std::mt19937 random_;
};

// One generated pair of each kind per seed.
std::vector<std::pair<Lines, Lines>> pairs_for(std::uint32_t seed) {
    PairMaker make(seed);
    std::vector<std::pair<Lines, Lines>> pairs;
    std::int64_t symbols = 1 + make.below(5);
    pairs.emplace_back(make.drawn(make.below(60), symbols), make.drawn(make.below(60), symbols));
    Lines base = make.drawn(make.below(150), 2 + make.below(60));
    pairs.emplace_back(base, make.edited(base, make.below(8), symbols));
    pairs.emplace_back(base, base);
    Lines segmented = make.segments_near_long_run(1 + make.below(5), 90000);
    pairs.emplace_back(segmented, make.edited(segmented, make.below(4), 3));
    pairs.emplace_back(make.segments_near_long_run(1 + make.below(5), 90000),
                       make.segments_near_long_run(1 + make.below(5), 90000));
    Lines braces = make.brace_blocks(1 + make.below(6), 70);
    pairs.emplace_back(braces, make.edited(braces, make.below(5), 3));
    pairs.emplace_back(make.brace_blocks(1 + make.below(4), 40), make.brace_blocks(1 + make.below(4), 40));
    Lines distinct = make.drawn(0, 1);
    for (std::int64_t at = make.below(100); at > 0; --at) distinct.push_back(static_cast<std::uint32_t>(2000 + at));
    pairs.emplace_back(distinct, make.shuffled(distinct));
    Lines periodic = make.periodic(10 + make.below(120));
    pairs.emplace_back(periodic, make.edited(periodic, make.below(12), 2));
    Lines same(static_cast<std::size_t>(make.below(300)), 125u);
    pairs.emplace_back(same, make.edited(same, make.below(6), 8));
    // Large pairs are few: the literal matcher's time grows with their square.
    if (seed % 10 == 0) {
        Lines stretches = make.long_blocks(1 + make.below(4));
        pairs.emplace_back(stretches, make.edited(stretches, make.below(5), 3));
        // Hundreds of short blocks of one line in a group: far apart longer ones.
        Lines many = make.brace_blocks(250 + make.below(150), 3);
        many.insert(many.begin() + make.below(static_cast<std::int64_t>(many.size())), 6, 125u);
        pairs.emplace_back(many, make.edited(many, make.below(6), 3));
    }
    return pairs;
}

// Alternating lines against the same shifted by one: a chain of one-line runs.
std::vector<std::pair<Lines, Lines>> alternating_pairs() {
    std::vector<std::pair<Lines, Lines>> pairs;
    for (std::size_t length : {1u, 2u, 3u, 31u, 64u, 101u}) {
        Lines ab, ba;
        for (std::size_t at = 0; at < length; ++at) {
            ab.push_back(at % 2 == 0 ? 'A' : 'B');
            ba.push_back(at % 2 == 0 ? 'B' : 'A');
        }
        pairs.emplace_back(ab, ba);
        Lines spaced;
        for (std::size_t at = 0; at < length; ++at) spaced.insert(spaced.end(), {static_cast<std::uint32_t>(at), 'x'});
        pairs.emplace_back(FingerprintPair::letters(""), spaced);
        pairs.emplace_back(Lines(spaced.begin(), spaced.end()), Lines(spaced.rbegin(), spaced.rend()));
    }
    return pairs;
}

constexpr std::uint32_t kSeeds = 400;

void expect_same_on_generated_pairs(const Setting& setting) {
    for (std::uint32_t seed = 1; seed <= kSeeds; ++seed) {
        for (const auto& [first, second] : pairs_for(seed)) {
            SCOPED_TRACE(::testing::Message() << "seed " << seed << ", " << first.size() << " by " << second.size());
            expect_same_result(first, second, setting);
            expect_same_result(second, first, setting);
            if (::testing::Test::HasFatalFailure()) return;
        }
    }
    for (const auto& [first, second] : alternating_pairs()) {
        SCOPED_TRACE(::testing::Message() << "alternating, " << first.size() << " by " << second.size());
        expect_same_result(first, second, setting);
        expect_same_result(second, first, setting);
    }
}

TEST(MatcherEquivalence, GeneratedPairs) {
    expect_same_on_generated_pairs({StretchHashing::exact, IndexWidth::fitting});
}

// Every hash comparison a hit: each candidate must then be told apart from a full
// match by comparing its lines.
TEST(MatcherEquivalence, GeneratedPairsWhenEveryStretchHashesAlike) {
    expect_same_on_generated_pairs({StretchHashing::all_equal, IndexWidth::fitting});
}

// Hashes made only once near misses have cost enough, as the program does.
TEST(MatcherEquivalence, GeneratedPairsHashedAfterNearMisses) {
    expect_same_on_generated_pairs({StretchHashing::after_near_misses, IndexWidth::fitting});
}

// The 64-bit indexes that files of more than INT32_MAX lines need.
TEST(MatcherEquivalence, GeneratedPairsWithWideIndexes) {
    expect_same_on_generated_pairs({StretchHashing::exact, IndexWidth::wide});
}

TEST(MatcherEquivalence, GeneratedPairsThroughTheSuffixIndex) {
    expect_same_on_generated_pairs({StretchHashing::exact, IndexWidth::fitting, SuffixSearching::always});
    expect_same_on_generated_pairs({StretchHashing::exact, IndexWidth::fitting, SuffixSearching::always_through_index});
}

}  // namespace
}  // namespace vesk
