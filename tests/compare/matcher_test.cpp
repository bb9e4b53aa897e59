#include "compare/matcher.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "compare/fingerprint_pair.h"
#include "support/run_end.h"

namespace vesk {
namespace {

// The marks of the lines (not the spare entry) as a string of digits.
std::string mark_digits(const LineTable& table) {
    std::string digits;
    for (std::int64_t line = 0; line < table.count; ++line) digits += static_cast<char>('0' + table.marks[line]);
    return digits;
}

struct ExampleCase {
    const char* name;
    const char* first;
    const char* second;
    const char* first_marks;
    const char* second_marks;
    std::vector<std::int64_t> run_lengths;  // per line of the first file
    std::vector<std::int64_t> run_starts;
};

TEST(MatchLines, WorkedExamples) {
    const ExampleCase cases[] = {
        // Line 0 measures A,A at 0, then resumes at 2 where A,B fails its last line:
        // the three-line run at 1 is never measured. Line 1 keeps A,B at 2.
        {"scan resumes after a measured run", "AAB", "AAAB", "111", "1101", {2, 2, 1}, {0, 2, 3}},
        // A,B at lines 3-4 is the longest; nothing of the second file lies before it,
        // so the A at line 1 loses its run (length 0, start kept) and stays unmatched.
        {"longest run first, then nothing before it", "XAYAB", "AB", "00011", "11", {0, 0, 0, 2, 1}, {0, 0, 0, 0, 1}},
        // A,B and C,D are both two lines long: the lower line of the first file wins;
        // C,D then has nothing left after A,B in the second file.
        {"tie goes to the lower first-file line", "ABCD", "CDAB", "1100", "0011", {2, 1, 0, 0}, {2, 3, 0, 1}},
        // Measured from the same line, the second A,B is as long, not longer.
        {"tie goes to the run found first", "AB", "ABAB", "11", "1100", {2, 1}, {0, 1}},
        {"second file empty", "AB", "", "00", "", {0, 0}, {0, 0}},
        {"first file empty", "", "AB", "", "00", {}, {}},
        {"no line in common", "AB", "CD", "00", "00", {0, 0}, {0, 0}},
        // A window with lines of the first file but none of the second is still
        // refreshed: line 1's run at 0 no longer fits, so it searches again and
        // records length 0, keeping its start.
        {"part without second-file lines", "AA", "A", "10", "1", {1, 0}, {0, 0}},
    };
    for (const ExampleCase& c : cases) {
        SCOPED_TRACE(c.name);
        FingerprintPair pair(FingerprintPair::letters(c.first), FingerprintPair::letters(c.second));
        match_lines(pair.run.first, pair.run.second, pair.diagnostics);
        EXPECT_EQ(mark_digits(pair.run.first), c.first_marks);
        EXPECT_EQ(mark_digits(pair.run.second), c.second_marks);
        std::vector<std::int64_t> lengths = pair.run_lengths();
        std::vector<std::int64_t> starts = pair.run_starts();
        lengths.pop_back();
        starts.pop_back();
        EXPECT_EQ(lengths, c.run_lengths);
        EXPECT_EQ(starts, c.run_starts);
        EXPECT_EQ(pair.err.captured(), "");
    }
}

std::vector<std::uint32_t> distinct_lines(std::uint32_t count, std::uint32_t first_value = 1000) {
    std::vector<std::uint32_t> lines(count);
    for (std::uint32_t line = 0; line < count; ++line) lines[line] = first_value + line;
    return lines;
}

TEST(MatchLines, FirstPassSkipsTheLinesOfRunsLongerThanThirty) {
    // 100 lines differing in line 50: the first pass looks at lines 0 (50 lines),
    // 50 (nothing) and 51 (49 lines) only, so lines 1-49 keep 0, 0 to the end.
    // Refreshing the part after line 0's run then finds that the untouched entries
    // of lines 52-99 (start 0) do not fit it and searches each again: the rest of
    // the file from there.
    std::vector<std::uint32_t> second = distinct_lines(100);
    std::vector<std::uint32_t> first = second;
    first[50] = 7;
    FingerprintPair pair(first, second);
    match_lines(pair.run.first, pair.run.second, pair.diagnostics);
    std::vector<std::int64_t> lengths(101, 0), starts(101, 0);
    lengths[0] = 50;
    for (std::int64_t line = 51; line < 100; ++line) {
        lengths[line] = 100 - line;
        starts[line] = line;
    }
    EXPECT_EQ(pair.run_lengths(), lengths);
    EXPECT_EQ(pair.run_starts(), starts);
    std::vector<std::uint8_t> marks(101, 1);
    marks[50] = 0;
    marks[100] = 0;
    EXPECT_EQ(pair.marks(pair.run.first), marks);
    EXPECT_EQ(pair.marks(pair.run.second), marks);
}

TEST(MatchLines, ThirtyLinesAreNotALongRun) {
    struct LengthCase {
        std::uint32_t lines;
        std::int64_t lines_looked_at;
    };
    // Identical files: 31 lines are one long run found from line 0 alone; 30 lines
    // are not long, so every line is looked at and records the rest of the file.
    for (LengthCase c : {LengthCase{31, 1}, LengthCase{30, 30}}) {
        SCOPED_TRACE(c.lines);
        FingerprintPair pair(distinct_lines(c.lines), distinct_lines(c.lines));
        match_lines(pair.run.first, pair.run.second, pair.diagnostics);
        for (std::int64_t line = 0; line < c.lines; ++line) {
            bool looked_at = line < c.lines_looked_at;
            EXPECT_EQ(pair.run.first.run_length[line], looked_at ? c.lines - line : 0) << line;
            EXPECT_EQ(pair.run.first.run_start[line], looked_at ? line : 0) << line;
            EXPECT_EQ(pair.run.first.marks[line], 1) << line;
            EXPECT_EQ(pair.run.second.marks[line], 1) << line;
        }
    }
}

TEST(MatchLines, ALineMarkedBeforehandIsAProgramError) {
    FingerprintPair pair(FingerprintPair::letters("AB"), FingerprintPair::letters("AB"));
    pair.run.second.marks[1] = MARK_MATCHED;
    int status = -1;
    try {
        match_lines(pair.run.first, pair.run.second, pair.diagnostics);
    } catch (const RunEnded& ended) {
        status = ended.status;
    }
    EXPECT_EQ(status, 2);
    EXPECT_EQ(pair.err.captured(), "program error: multiple flag set\n");
}

}  // namespace
}  // namespace vesk
