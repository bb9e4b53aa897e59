// Byte-identical files take a shortcut; it must answer exactly as the full
// comparison would, refusals included.
#include <gtest/gtest.h>

#include <string>

#include "e2e/e2e_harness.h"

namespace vesk::e2e {
namespace {

Outcome compare_with_itself(const std::string& bytes, std::vector<std::string> options = {}) {
    return compare(bytes, bytes, std::move(options));
}

TEST(IdenticalFiles, HaveNothingToReport) {
    EXPECT_EQ(compare_with_itself(""), (Outcome{"", "", 0}));
    EXPECT_EQ(compare_with_itself("a\r\n\tb\x0c\x1b\n" + std::string(9000, 'x')), (Outcome{"", "", 0}));
    EXPECT_EQ(compare_with_itself("a\nb\n", {"-N", "-c"}), (Outcome{"<< a : b >>\n", "", 0}));
}

TEST(IdenticalFiles, AreStillRefusedWhenNotText) {
    EXPECT_EQ(compare_with_itself("fine\n\x01\n"), (Outcome{"", "a: no text file\n", 2}));
    EXPECT_EQ(compare_with_itself(std::string(5000, 'y') + "\x1f"), (Outcome{"", "a: no text file\n", 2}));
}

TEST(IdenticalFiles, EqualSizesWithADifferenceAreCompared) {
    EXPECT_EQ(compare("abc\nabd\n", "abc\nabe\n"), (Outcome{"change: 2 : 2\n\tabd\n------\n\tabe\n", "", 1}));
}

}  // namespace
}  // namespace vesk::e2e
