#include "compare/matcher.h"

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "compare/fingerprint_pair.h"
#include "run_status.h"
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
        RunTableEntries runs = pair.match();
        EXPECT_EQ(mark_digits(pair.comparison.first), c.first_marks);
        EXPECT_EQ(mark_digits(pair.comparison.second), c.second_marks);
        std::vector<std::int64_t> lengths = runs.lengths;
        std::vector<std::int64_t> starts = runs.starts;
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
    RunTableEntries runs = pair.match();
    std::vector<std::int64_t> lengths(101, 0), starts(101, 0);
    lengths[0] = 50;
    for (std::int64_t line = 51; line < 100; ++line) {
        lengths[line] = 100 - line;
        starts[line] = line;
    }
    EXPECT_EQ(runs.lengths, lengths);
    EXPECT_EQ(runs.starts, starts);
    std::vector<std::uint8_t> marks(101, 1);
    marks[50] = 0;
    marks[100] = 0;
    EXPECT_EQ(pair.marks(pair.comparison.first), marks);
    EXPECT_EQ(pair.marks(pair.comparison.second), marks);
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
        RunTableEntries runs = pair.match();
        for (std::int64_t line = 0; line < c.lines; ++line) {
            bool looked_at = line < c.lines_looked_at;
            EXPECT_EQ(runs.lengths[line], looked_at ? c.lines - line : 0) << line;
            EXPECT_EQ(runs.starts[line], looked_at ? line : 0) << line;
            EXPECT_EQ(pair.comparison.first.marks[line], 1) << line;
            EXPECT_EQ(pair.comparison.second.marks[line], 1) << line;
        }
    }
}

// Loading no longer clears a run table while the first file grows: the matcher
// makes its own, all zero, at either width. Identical files of 2,001 lines are
// one run from line 0, so no other line is looked at and every other entry, the
// spare one included, must still read length 0, start 0.
TEST(MatchLines, LinesNeverLookedAtKeepZeroEntriesPastTheFirstThousand) {
    for (IndexWidth width : {IndexWidth::fitting, IndexWidth::wide}) {
        SCOPED_TRACE(width == IndexWidth::wide ? "wide" : "fitting");
        FingerprintPair pair(distinct_lines(2001), distinct_lines(2001));
        RunTableEntries runs =
            match_lines(pair.comparison.first, pair.comparison.second, pair.diagnostics, {StretchHashing::exact, width});
        std::vector<std::int64_t> lengths(2002, 0);
        lengths[0] = 2001;
        EXPECT_EQ(runs.lengths, lengths);
        EXPECT_EQ(runs.starts, std::vector<std::int64_t>(2002, 0));
    }
}

// The run table is the matcher's one allocation through alloc_or_exit: lines + 1
// entries of 4 bytes each, or 8 when the indexes are wide. Its failure message
// counts bytes up to 1,000 and K bytes of 1,024 above.
TEST(MatchLines, NoMemoryForTheRunTableEndsWithStatusOne) {
    struct MemoryCase {
        const char* name;
        std::uint32_t lines;
        IndexWidth width;
        const char* message;
    };
    const MemoryCase cases[] = {
        {"11 entries, 44 bytes", 10, IndexWidth::fitting, "\ncannot get the memory of 44 bytes\n"},
        {"250 entries, 1,000 bytes", 249, IndexWidth::fitting, "\ncannot get the memory of 1000 bytes\n"},
        {"251 entries, 1,004 bytes", 250, IndexWidth::fitting, "\ncannot get the memory of 0 K bytes\n"},
        {"1,001 entries, 4,004 bytes", 1000, IndexWidth::fitting, "\ncannot get the memory of 3 K bytes\n"},
        {"1,001 wide entries, 8,008 bytes", 1000, IndexWidth::wide, "\ncannot get the memory of 7 K bytes\n"},
    };
    for (const MemoryCase& c : cases) {
        SCOPED_TRACE(c.name);
        FingerprintPair pair(distinct_lines(c.lines), distinct_lines(c.lines));
        pair.diagnostics.refuse_memory = [](std::size_t) { return true; };
        int status = -1;
        try {
            match_lines(pair.comparison.first, pair.comparison.second, pair.diagnostics, {StretchHashing::exact, c.width});
        } catch (const RunEnded& ended) {
            status = ended.status;
        }
        EXPECT_EQ(status, 1);
        EXPECT_EQ(pair.err.captured(), c.message);
        EXPECT_EQ(mark_digits(pair.comparison.first), std::string(c.lines, '0'));
    }
}

// AddressSanitizer reserves far more address space than it uses: no cap fits it.
#if defined(__SANITIZE_ADDRESS__)
#define VESK_UNDER_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VESK_UNDER_ASAN 1
#endif
#endif

#if !defined(VESK_UNDER_ASAN)
// The address space this process uses now, from /proc/self/statm (in pages).
std::size_t address_space_in_use() {
    std::FILE* statm = std::fopen("/proc/self/statm", "r");
    unsigned long pages = 0;
    if (statm == nullptr || std::fscanf(statm, "%lu", &pages) != 1) pages = 0;
    if (statm != nullptr) std::fclose(statm);
    return pages * static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
}

// The matcher's own working arrays (block rests, block index) are refused for
// real: the address space is capped just above what the tables already hold.
// A one-line first file keeps the run table far smaller than them, so it is
// their failure that must come out as the message, not as an abort.
TEST(MatchLinesDeathTest, ItsWorkingArraysRunningOutOfMemoryEndWithStatusOne) {
    EXPECT_EXIT(
        {
            FingerprintPair pair(distinct_lines(1), distinct_lines(2'000'000));
            rlimit cap{};
            cap.rlim_cur = cap.rlim_max = address_space_in_use() + (std::size_t{1} << 20);
            if (::setrlimit(RLIMIT_AS, &cap) != 0) std::_Exit(100);
            auto status = testing::ended_status(
                [&] { match_lines(pair.comparison.first, pair.comparison.second, pair.diagnostics); }, &pair.diagnostics);
            std::fputs(pair.err.captured().c_str(), stderr);
            std::_Exit(status.value_or(0));
        },
        ::testing::ExitedWithCode(1), "^\ncannot get the memory of [0-9]+ K bytes\n$");
}
#endif

TEST(MatchLines, ALineMarkedBeforehandIsAProgramError) {
    FingerprintPair pair(FingerprintPair::letters("AB"), FingerprintPair::letters("AB"));
    pair.comparison.second.marks[1] = MARK_MATCHED;
    int status = -1;
    try {
        match_lines(pair.comparison.first, pair.comparison.second, pair.diagnostics);
    } catch (const RunEnded& ended) {
        status = ended.status;
    }
    EXPECT_EQ(status, 2);
    EXPECT_EQ(pair.err.captured(), "program error: multiple flag set\n");
}

}  // namespace
}  // namespace vesk
