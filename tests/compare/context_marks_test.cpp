#include "compare/context_marks.h"

#include <gtest/gtest.h>

#include <string>

#include "report/report_fixture.h"

namespace vesk {
namespace {

using testing::HandRun;
using testing::letter_lines;

struct ContextCase {
    const char* name;
    std::int32_t context_lines;
    std::string marks_first;
    std::string marks_second;
    std::string expected_first;
    std::string expected_second;
};

TEST(MarkContext, MarksAroundEveryBlock) {
    const ContextCase cases[] = {
        {"C deleted from A..H, c=1", 1, "11011111", "1111111", "12031111", "1111111"},
        {"C and L replaced in A..N, c=3", 3, "11011111111011", "11011111111011", "22033311222033",
         "22033311222033"},
        {"C and H replaced in A..N, c=3", 3, "11011110111111", "11011110111111", "22033320333111",
         "22033320333111"},
        {"blocks at both ends, c=2", 2, "01110", "01110", "03320", "03320"},
        {"context wider than the file", 10, "1101", "11", "2203", "11"},
        {"one matched line between blocks", 3, "01010", "1", "03030", "1"},
        {"no context asked for", 0, "101", "101", "101", "101"},
        {"all unmatched", 2, "000", "", "000", ""},
    };
    for (const ContextCase& c : cases) {
        std::string first(c.marks_first.size(), 'a'), second(c.marks_second.size(), 'a');
        HandRun hand({}, letter_lines(first), letter_lines(second));
        hand.set_marks(c.marks_first, c.marks_second);
        mark_context(hand.comparison.first, hand.comparison.second, c.context_lines);
        EXPECT_EQ(hand.first_marks(), c.expected_first) << c.name;
        EXPECT_EQ(hand.second_marks(), c.expected_second) << c.name;
    }
}

}  // namespace
}  // namespace vesk
