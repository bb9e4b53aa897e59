#include "compare/matcher.h"

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "hand_run.h"
#include "run_status.h"
#include "support/run_end.h"

namespace vesk {
namespace {

using testing::HandRun;

// One line per letter, the letter's code as its fingerprint: "AAB".
std::vector<std::uint32_t> letters(const std::string& text) { return {text.begin(), text.end()}; }

struct ExampleCase {
    const char *name, *first, *second, *marks;  // marks: "/" between the files
    std::vector<std::int64_t> run_lengths;  // per line of the first file
    std::vector<std::int64_t> run_starts;
};

TEST(MatchLines, WorkedExamples) {
    const ExampleCase cases[] = {
        // Line 0 measures A,A at 0, then resumes at 2 where A,B fails its last line:
        // the three-line run at 1 is never measured. Line 1 keeps A,B at 2.
        {"scan resumes after a measured run", "AAB", "AAAB", "111/1101", {2, 2, 1}, {0, 2, 3}},
        // A,B at lines 3-4 is the longest; nothing of the second file lies before it,
        // so the A at line 1 loses its run (length 0, start kept) and stays unmatched.
        {"longest run first, then nothing before it", "XAYAB", "AB", "00011/11", {0, 0, 0, 2, 1}, {0, 0, 0, 0, 1}},
        // A,B and C,D are both two lines long: the lower line of the first file wins;
        // C,D then has nothing left after A,B in the second file.
        {"tie goes to the lower first-file line", "ABCD", "CDAB", "1100/0011", {2, 1, 0, 0}, {2, 3, 0, 1}},
        // Measured from the same line, the second A,B is as long, not longer.
        {"tie goes to the run found first", "AB", "ABAB", "11/1100", {2, 1}, {0, 1}},
        // A window with lines of the first file but none of the second is still
        // refreshed: after A,B the part before it holds line 0 only, whose run
        // at 0 no longer fits, so it searches again and records length 0,
        // keeping its start.
        {"part without second-file lines", "AAB", "AB", "011/11", {0, 2, 1}, {0, 0, 1}},
    };
    for (const ExampleCase& c : cases) {
        SCOPED_TRACE(c.name);
        HandRun pair(letters(c.first), letters(c.second));
        RunTableEntries runs = match_lines(pair.comparison.first, pair.comparison.second, pair.diagnostics, MatcherTuning{});
        EXPECT_EQ(pair.marks(), c.marks);
        EXPECT_EQ(std::vector(runs.lengths.begin(), runs.lengths.end() - 1), c.run_lengths);
        EXPECT_EQ(std::vector(runs.starts.begin(), runs.starts.end() - 1), c.run_starts);
        EXPECT_EQ(pair.err.captured(), "");
    }
}

std::vector<std::uint32_t> distinct_lines(std::uint32_t count) {
    std::vector<std::uint32_t> lines(count);
    for (std::uint32_t line = 0; line < count; ++line) lines[line] = 1000 + line;
    return lines;
}

// The run table is the matcher's one allocation through alloc_or_exit: lines + 1
// entries of 4 bytes each, or 8 when the indexes are wide.
TEST(MatchLines, NoMemoryForTheRunTableEndsWithStatusOne) {
    for (auto [width, message] : {std::pair{IndexWidth::fitting, "\ncannot get the memory of 3 K bytes\n"},
                                  {IndexWidth::wide, "\ncannot get the memory of 7 K bytes\n"}}) {
        HandRun pair(distinct_lines(1000), distinct_lines(1000));
        pair.diagnostics.refuse_memory = [](std::size_t) { return true; };
        EXPECT_EQ(testing::ended_status([&] {
                      match_lines(pair.comparison.first, pair.comparison.second, pair.diagnostics,
                                  {StretchHashing::exact, width});
                  }),
                  1);
        EXPECT_EQ(pair.err.captured(), message);
        EXPECT_EQ(pair.marks(), std::string(1000, '0') + "/" + std::string(1000, '0'));
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
            HandRun pair(distinct_lines(1), distinct_lines(2'000'000));
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
    HandRun pair(letters("AB"), letters("AB"));
    pair.comparison.second.marks[1] = MARK_MATCHED;
    EXPECT_EQ(testing::ended_status([&] { match_lines(pair.comparison.first, pair.comparison.second, pair.diagnostics); }), 2);
    EXPECT_EQ(pair.err.captured(), "program error: multiple flag set\n");
}

}  // namespace
}  // namespace vesk
