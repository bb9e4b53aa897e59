// The unified report byte for byte: hunk headers, merging, context at the ends,
// the missing-newline line, long and colliding lines, the file header (quoted
// names, times, labels) and the other options beside --unified.
// Every expected output is worked out from the rules by hand, as the comments say.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "e2e/e2e_harness.h"

namespace vesk::e2e {
namespace {

// Labels keep the file header out of the rows about hunks.
const std::string HEAD = "--- a\n+++ b\n";
const std::string NO_NEWLINE = "\\ No newline at end of file\n";

std::vector<std::string> unified(const std::string& context, std::vector<std::string> more = {}) {
    more.insert(more.end(), {"--unified" + context, "--label=a", "--label", "b"});
    return more;
}

// Every row's files differ: its report, after HEAD, and status 1.
Outcome hunks(const std::string& out) { return {HEAD + out, "", 1}; }

TEST(UnifiedReport, HunksAsTheRulesBuildThem) {
    // 9,000-byte lines (pieces of 4,095, 4,095 and 810 bytes) that differ in
    // their last byte; 300-byte lines whose A stands in column 3 or 259, which
    // weigh the same, so that they share their fingerprint.
    const std::string CUT(4095, 'p'), L1 = std::string(8999, 'w') + '1', L2 = std::string(8999, 'w') + '2';
    const std::string C1 = "qqqA" + std::string(296, 'q'), C2 = std::string(259, 'q') + "A" + std::string(40, 'q');
    const std::string TABS = "@@ -1 +1 @@\n-a\tb\f\n+a\tc\f\n";
    expect_rows({
        // Changes at lines 1 and 4 with 2 = 2N common lines between: one hunk
        // of lines 1-4 on both sides, no context before line 1 or after line 4.
        {"2N apart", "x\nc1\nc2\ny\n", "X\nc1\nc2\nY\n", unified("=1"), hunks("@@ -1,4 +1,4 @@\n-x\n+X\n c1\n c2\n-y\n+Y\n")},
        // 3 = 2N+1 common lines between: lines 1-2 (c1 after), then 4-5 (c3 before).
        {"2N+1 apart", "x\nc1\nc2\nc3\ny\n", "X\nc1\nc2\nc3\nY\n", unified("=1"),
         hunks("@@ -1,2 +1,2 @@\n-x\n+X\n c1\n@@ -4,2 +4,2 @@\n c3\n-y\n+Y\n")},
        // Default 3: line 5 changed, lines 2-4 before and 6-8 after, 7 lines.
        {"default context", "1\n2\n3\n4\n5\n6\n7\n8\n9\n", "1\n2\n3\n4\nX\n6\n7\n8\n9\n", unified(""),
         hunks("@@ -2,7 +2,7 @@\n 2\n 3\n 4\n-5\n+X\n 6\n 7\n 8\n")},
        // A range of no lines names the line before it: 0 at the start (an
        // empty file), 1 after a; a deleted line stands after line 1 of the second.
        {"C=0 at the start", "", "a\n", unified(""), hunks("@@ -0,0 +1 @@\n+a\n")},
        {"C=0 in the middle", "a\nc\nd\nf\n", "a\nb\nc\nf\n", unified("=0"),
         hunks("@@ -1,0 +2 @@\n+b\n@@ -3 +3,0 @@\n-d\n")},
        // More context than lines: the whole file.
        {"huge N", "a\nb\nc\n", "a\nB\nc\n", unified("=99999999999999999999"), hunks("@@ -1,3 +1,3 @@\n a\n-b\n+B\n c\n")},
        // b without a newline differs from b with one, on either side; two equal
        // last lines without one (both files lack it) are common.
        {"no newline, first", "a\nb", "a\nb\n", unified(""), hunks("@@ -1,2 +1,2 @@\n a\n-b\n" + NO_NEWLINE + "+b\n")},
        {"no newline, second", "a\nb\n", "a\nb", unified(""), hunks("@@ -1,2 +1,2 @@\n a\n-b\n+b\n" + NO_NEWLINE)},
        {"no newline, common", "a\nb", "c\nb", unified(""), hunks("@@ -1,2 +1,2 @@\n-a\n+c\n b\n" + NO_NEWLINE)},
        // Two of three pieces match, the last does not: the whole line differs,
        // printed joined as one line.
        {"9,000 bytes", "a\n" + L1 + "\nz\n", "a\n" + L2 + "\nz\n", unified("=1"),
         hunks("@@ -1,3 +1,3 @@\n a\n-" + L1 + "\n+" + L2 + "\n z\n")},
        // Pieces that match but make no common line: one of two lines of the
        // other file, or the same 4,095 bytes as a last line without a newline.
        {"pieces of two lines", CUT + "\n", CUT + "q\n\n", unified(""),
         hunks("@@ -1 +1,2 @@\n-" + CUT + "\n+" + CUT + "q\n+\n")},
        {"cut against last", CUT + "\n", CUT, unified(""), hunks("@@ -1 +1 @@\n-" + CUT + "\n+" + CUT + "\n" + NO_NEWLINE)},
        {"collision", "a\n" + C1 + "\nz\n", "a\n" + C2 + "\nz\n", unified("=0"),
         hunks("@@ -2 +2 @@\n-" + C1 + "\n+" + C2 + "\n")},
        // -i and -b make lines common, printed from the first file; -N comes first.
        {"-i", "A\nb\n", "a\nc\n", unified("=1", {"-i"}), hunks("@@ -1,2 +1,2 @@\n A\n-b\n+c\n")},
        {"-b", "a  b\nx\n", "a b\ny\n", unified("=1", {"-b"}), hunks("@@ -1,2 +1,2 @@\n a  b\n-x\n+y\n")},
        // Tabs and form feeds as they are, whatever -x, -X and -t say.
        {"-x", "a\tb\f\n", "a\tc\f\n", unified("", {"-x"}), hunks(TABS)},
        {"-X -t", "a\tb\f\n", "a\tc\f\n", unified("", {"-X", "-t", "4"}), hunks(TABS)},
    });
    const std::string with_names = "<< a : b >>\n" + HEAD + "@@ -1 +1 @@\n-a\n+b\n";
    EXPECT_EQ(compare("a\n", "b\n", unified("", {"-N"})), (Outcome{with_names, "", 1}));
}

// 1,000,000,000 seconds after the epoch is 2001-09-09 01:46:40 UTC, 10:46:40 in
// UTC+9. Names: a blank alone asks for quotes and stays a blank; '"' and '\'
// are escaped, a tab is \t, the Shift-JIS bytes 0x93 0xFA are octal 223 and
// 372; "b" needs no quotes.
TEST(UnifiedReport, FileHeaderQuotesNamesAndGivesLocalTimes) {
    ScratchDir dir;
    const std::string first = "my file", second = "q\"\\x\t\x93\xfa";
    dir.write(first, "a\n");
    dir.write(second, "b\n");
    dir.write("b", "b\n");
    const timespec times[2] = {{1000000000, 5}, {1000000000, 5}};
    for (const std::string& name : {first, second, std::string("b")})
        ASSERT_EQ(::utimensat(AT_FDCWD, (dir.path() + "/" + name).c_str(), times, 0), 0);
    ASSERT_EQ(::setenv("TZ", "JST-9", 1), 0);
    const std::string time = "\t2001-09-09 10:46:40.000000005 +0900\n", hunk = "@@ -1 +1 @@\n-a\n+b\n";
    EXPECT_EQ(run_vesk(dir, {"--unified", first, second}),
              (Outcome{"--- \"my file\"" + time + "+++ \"q\\\"\\\\x\\t\\223\\372\"" + time + hunk, "", 1}));
    // One label: the first file's name and time; the second keeps its own.
    EXPECT_EQ(run_vesk(dir, {"--unified", "--label", "old name", first, "b"}),
              (Outcome{"--- old name\n+++ b" + time + hunk, "", 1}));
    ::unsetenv("TZ");
}

}  // namespace
}  // namespace vesk::e2e
