#include "compare/run_finder.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "compare/fingerprint_pair.h"

namespace vesk {
namespace {

template <class Index>
class RunFinderTest : public ::testing::Test {};

using IndexTypes = ::testing::Types<std::int32_t, std::int64_t>;
TYPED_TEST_SUITE(RunFinderTest, IndexTypes);

// One search from line 0 of the first file, the window given by end1 and
// [lo2, hi2); the expected run worked out by walking the scan by hand.
struct SearchCase {
    const char* name;
    const char* first;
    const char* second;
    std::int64_t end1, lo2, hi2;
    std::int64_t length, start;
};

// Once a run of best lines is known, a full match of exactly best lines moves the
// scan on to its end. Where the first best lines end the way they begin, a later
// full match can start inside that one, and the scan never sees it.
TYPED_TEST(RunFinderTest, RunsAsTheResumingScanMeasuresThem) {
    const SearchCase cases[] = {
        // j=0: ABCAB (Y ends it), best 5. j=6: ABCAB again, C ends it, scan
        // resumes at 11. ABCABX at 9 starts inside the run at 6: never measured.
        {"pattern ending as it begins, two lines", "ABCABX", "ABCABYABCABCABX", 6, 0, 15, 5, 0},
        // j=0: ABAB, best 4. j=5: ABAB, A ends it, resume at 9; j=9 cannot hold
        // four lines. ABABX at 7 is skipped.
        {"pattern repeating a two-line word", "ABABX", "ABABYABABABX", 5, 0, 12, 4, 0},
        // j=0: ABC, best 3. j=4: ABC, Z ends it. j=8: ABCX, best 4.
        {"pattern that cannot overlap itself", "ABCX", "ABCYABCZABCX", 4, 0, 12, 4, 8},
        // As above with the window ending before the X: j=8 holds ABC only.
        {"longer match cut by the window's end", "ABCX", "ABCYABCZABCX", 4, 0, 11, 3, 0},
        // As above with the window starting at 1: j=4 is the first candidate.
        {"window starting past the first run", "ABCX", "ABCYABCZABCX", 4, 1, 12, 4, 8},
        // The run at 0 reaches end1: nothing can be longer.
        {"run reaching end1", "ABCX", "ABCYABCZABCX", 3, 0, 12, 3, 0},
        // j=0: AB, best 2. j=3: AB, C ends it, resume at 5. j=6: ABAD, best 4.
        {"two-line match before the run", "ABAD", "ABXABCABAD", 4, 0, 10, 4, 6},
    };
    for (const SearchCase& c : cases) {
        SCOPED_TRACE(c.name);
        FingerprintPair pair(FingerprintPair::letters(c.first), FingerprintPair::letters(c.second));
        RunTable<TypeParam> runs(pair.diagnostics, pair.comparison.first.count);
        // The blocks, with and without hashes that tell candidates apart, and the
        // suffix index (whose narrow windows are otherwise scanned line by line).
        const RunFinderSettings settings[] = {{false, 0, SuffixSearching::never},
                                              {true, 0, SuffixSearching::never},
                                              {false, 0, SuffixSearching::always_through_index}};
        for (const RunFinderSettings& setting : settings) {
            RunFinder<TypeParam> finder(pair.comparison.first, pair.comparison.second, runs, setting);
            FoundRun found = finder.find(0, c.end1, c.lo2, c.hi2);
            EXPECT_EQ(found.length, c.length);
            EXPECT_EQ(found.start, c.start);
        }
    }
}

}  // namespace
}  // namespace vesk
