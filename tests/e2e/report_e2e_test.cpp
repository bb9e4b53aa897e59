// Whole runs printing the normal report, and with -c the context report:
// exact bytes and exit statuses.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "e2e/e2e_harness.h"

namespace vesk::e2e {
namespace {

struct Case {
    const char* name;
    std::string first;
    std::string second;
    std::vector<std::string> options;
    Outcome expected;
};

void run_cases(const std::vector<Case>& cases) {
    for (const Case& c : cases) EXPECT_EQ(compare(c.first, c.second, c.options), c.expected) << c.name;
}

// Lines "line 0" to "line 99", the one at index changed_at replaced.
std::string hundred_lines(int changed_at) {
    std::string text;
    for (int line = 0; line < 100; ++line)
        text += line == changed_at ? std::string("changed\n") : "line " + std::to_string(line) + "\n";
    return text;
}

TEST(NormalReportRun, Blocks) {
    run_cases({
        {"one line changed", "a\nb\nc\n", "a\nx\nc\n", {}, {"change: 2 : 2\n\tb\n------\n\tx\n", "", 1}},
        {"identical", "a\nb\n", "a\nb\n", {}, {"", "", 0}},
        {"both empty", "", "", {}, {"", "", 0}},
        {"first empty", "", "x\ny\nz\n", {}, {"add   : 0 : 1,3\n\tx\n\ty\n\tz\n", "", 1}},
        {"second empty", "x\ny\nz\n", "", {}, {"delete: 1,3 : 0\n\tx\n\ty\n\tz\n", "", 1}},
        {"first line deleted", "a\nb\nc\n", "b\nc\n", {}, {"delete: 1 : 0\n\ta\n", "", 1}},
        {"added before line 1", "b\nc\n", "a\nb\nc\n", {}, {"add   : 0 : 1\n\ta\n", "", 1}},
        {"change then add", "a\nb\nc\nd\n", "a\nx\nc\nd\ne\n", {},
         {"change: 2 : 2\n\tb\n------\n\tx\nadd   : 4 : 5\n\te\n", "", 1}},
        {"two against three", "a\nb\nc\nd\n", "a\nx\ny\nz\nd\n", {},
         {"change: 2,3 : 2,4\n\tb\n\tc\n------\n\tx\n\ty\n\tz\n", "", 1}},
        {"differs only in the final newline", "a\nb", "a\nb\n", {}, {"change: 2 : 2\n\tb\n------\n\tb\n", "", 1}},
        {"100 lines, line 51 changed", hundred_lines(-1), hundred_lines(50), {},
         {"change: 51 : 51\n\tline 50\n------\n\tchanged\n", "", 1}},
    });
}

// The matcher takes the first run it measures and the longest fitting run;
// the alignment then moves matches up to the earlier copy of repeated lines.
TEST(NormalReportRun, RepeatedLines) {
    run_cases({
        {"A A B against A A A B", "A\nA\nB\n", "A\nA\nA\nB\n", {}, {"add   : 2 : 3\n\tA\n", "", 1}},
        {"X A Y A B against A B", "X\nA\nY\nA\nB\n", "A\nB\n", {}, {"delete: 1,3 : 0\n\tX\n\tA\n\tY\n", "", 1}},
        {"A B A B A B C against A B C", "A\nB\nA\nB\nA\nB\nC\n", "A\nB\nC\n", {},
         {"delete: 3,6 : 2\n\tA\n\tB\n\tA\n\tB\n", "", 1}},
        {"A B C against A B A B A B C", "A\nB\nC\n", "A\nB\nA\nB\nA\nB\nC\n", {},
         {"add   : 2 : 3,6\n\tA\n\tB\n\tA\n\tB\n", "", 1}},
    });
}

TEST(NormalReportRun, ComparisonOptions) {
    run_cases({
        {"case differs", "ABC\n", "abc\n", {}, {"change: 1 : 1\n\tABC\n------\n\tabc\n", "", 1}},
        {"-i", "ABC\n", "abc\n", {"-i"}, {"", "", 0}},
        {"-b", "a  b \n", "a\tb\n", {"-b"}, {"", "", 0}},
        {"-b, leading blank on one side", " a\n", "a\n", {"-b"}, {"change: 1 : 1\n\t a\n------\n\ta\n", "", 1}},
        {"-b, blanks without -b", "a  b\n", "a\tb\n", {}, {"change: 1 : 1\n\ta  b\n------\n\ta\tb\n", "", 1}},
        {"-b, missing final newline still differs", "a\nb ", "a\nb\n", {"-b"},
         {"change: 2 : 2\n\tb \n------\n\tb\n", "", 1}},
    });
}

// Every matched pair's text is looked at, wherever in a run it lies: first,
// last, or inside a run long enough to be skipped over by the matcher.
TEST(NormalReportRun, MatchedRunsCompareEveryText) {
    const std::string dots(255, '.');
    // Bytes 256 columns apart share their weight: these two lines' fingerprints collide.
    const std::string x_y = "x" + dots + "y\n", y_x = "y" + dots + "x\n";
    const std::string one_change = "change: 21 : 21\n\t" + x_y + "------\n\t" + y_x;
    std::string before, after;
    for (int line = 1; line <= 20; ++line) before += "line " + std::to_string(line) + "\n";
    for (int line = 22; line <= 40; ++line) after += "line " + std::to_string(line) + "\n";
    run_cases({
        {"collision first in its run", x_y + "a\nb\n", y_x + "a\nb\n", {},
         {"change: 1 : 1\n\t" + x_y + "------\n\t" + y_x, "", 1}},
        {"collision last in its run", "a\nb\n" + x_y + "Q\n", "a\nb\n" + y_x + "R\n", {},
         {"change: 3 : 3\n\t" + x_y + "------\n\t" + y_x + "change: 4 : 4\n\tQ\n------\n\tR\n", "", 1}},
        {"collision inside a long run", before + x_y + after, before + y_x + after, {}, {one_change, "", 1}},
        {"a long run of equal texts", before + after, before + after + "", {"-b"}, {"", "", 0}},
    });
}

TEST(NormalReportRun, PrintedLines) {
    run_cases({
        {"-t 4", "x\n", "ab\tc\n", {"-t", "4"}, {"change: 1 : 1\n\tx\n------\n\tab  c\n", "", 1}},
        {"-t 8", "\tx\n", "y\n", {"-t", "8"}, {"change: 1 : 1\n\t        x\n------\n\ty\n", "", 1}},
        {"-t 1", "a\t\tb\n", "y\n", {"-t", "1"}, {"change: 1 : 1\n\ta  b\n------\n\ty\n", "", 1}},
        {"tabs kept without -t", "a\tb\n", "y\n", {}, {"change: 1 : 1\n\ta\tb\n------\n\ty\n", "", 1}},
        {"form feeds", "a\fb\n\f\n", "c\n", {}, {"change: 1,2 : 1\n\ta^Lb\n\t^L\n------\n\tc\n", "", 1}},
        {"last line without newline", "a\nb", "a\n", {}, {"delete: 2 : 1\n\tb\n", "", 1}},
    });
}

TEST(NormalReportRun, TooLongLineEndsTheRun) {
    // The tab at column 0 reaches column 4,096: the line is too long, after
    // the header and the first side have been printed.
    const std::string message = "Error: " + std::string(253, ' ') + "\ty\n ... too long line\n";
    run_cases({
        {"too long", "x\n", "\ty\n", {"-t", "4096"}, {"change: 1 : 1\n\tx\n------\n" + message, "", 1}},
        {"just fits", "x\n", "\t\n", {"-t", "4094"},
         {"change: 1 : 1\n\tx\n------\n\t" + std::string(4094, ' ') + "\n", "", 1}},
    });
}

// a to n, one letter a line; the lines at the two indexes replaced by X and Y.
std::string letters_with(int x_at, int y_at) {
    std::string text;
    for (int line = 0; line < 14; ++line) {
        text += line == x_at ? 'X' : line == y_at ? 'Y' : static_cast<char>('a' + line);
        text += '\n';
    }
    return text;
}

const std::string kTwoChangesC3 =
    "Change: 1,6 : 1,6\n\ta\n\tb\n!\tc\n\td\n\te\n\tf\n------\n\ta\n\tb\n!\tX\n\td\n\te\n\tf\n"
    "Change: 7,11 : 7,11\n\tg\n!\th\n\ti\n\tj\n\tk\n------\n\tg\n!\tY\n\ti\n\tj\n\tk\n";

TEST(ContextReportRun, Blocks) {
    run_cases({
        {"one line changed", "a\nb\nc\nd\ne\n", "a\nb\nx\nd\ne\n", {"-c1"},
         {"Change: 2,4 : 2,4\n\tb\n!\tc\n\td\n------\n\tb\n!\tx\n\td\n", "", 1}},
        {"one line deleted", "a\nb\nc\nd\n", "a\nc\nd\n", {"-c1"}, {"Delete: 1,3 : 1\n\ta\n-\tb\n\tc\n", "", 1}},
        {"added around a line", "a\n", "x\na\ny\n", {"-c1"},
         {"Add   : 0 : 1,2\n+\tx\n\ta\nAdd   : 1 : 3\n+\ty\n", "", 1}},
        {"deleted around a line", "x\na\ny\n", "a\n", {"-c1"},
         {"Delete: 1,2 : 0\n-\tx\n\ta\nDelete: 3 : 1\n-\ty\n", "", 1}},
        {"first file empty", "", "x\ny\nz\n", {"-c1"}, {"Add   : 0 : 1,3\n+\tx\n+\ty\n+\tz\n", "", 1}},
        {"blocks at the first and last line", "a\nb\nc\nd\ne\n", "x\nb\nc\nd\ny\n", {"-c2"},
         {"Change: 1,3 : 1,3\n!\ta\n\tb\n\tc\n------\n!\tx\n\tb\n\tc\n"
          "Change: 4,5 : 4,5\n\td\n!\te\n------\n\td\n!\ty\n",
          "", 1}},
        {"two changes four lines apart, -c3", letters_with(-1, -1), letters_with(2, 7), {"-c3"}, {kTwoChangesC3, "", 1}},
        {"-c alone means 3", letters_with(-1, -1), letters_with(2, 7), {"-c"}, {kTwoChangesC3, "", 1}},
        {"-c10", letters_with(-1, -1), letters_with(2, 7), {"-c10"},
         {"Change: 1,7 : 1,7\n\ta\n\tb\n!\tc\n\td\n\te\n\tf\n\tg\n------\n\ta\n\tb\n!\tX\n\td\n\te\n\tf\n\tg\n"
          "Change: 8,14 : 8,14\n!\th\n\ti\n\tj\n\tk\n\tl\n\tm\n\tn\n------\n!\tY\n\ti\n\tj\n\tk\n\tl\n\tm\n\tn\n",
          "", 1}},
    });
}

// Matched lines whose texts differ are demoted by the classification pass and
// shown as a change with their context.
TEST(ContextReportRun, PairsThatDifferOnlyInText) {
    const std::string dots(255, '.');
    run_cases({
        {"missing final newline", "a\nb\nc", "a\nb\nc\n", {"-c1"},
         {"Change: 2,3 : 2,3\n\tb\n!\tc\n------\n\tb\n!\tc\n", "", 1}},
        // Bytes 256 columns apart share their weight: the fingerprints collide.
        {"fingerprint collision", "a\nx" + dots + "y\nb\n", "a\ny" + dots + "x\nb\n", {"-c1"},
         {"Change: 1,3 : 1,3\n\ta\n!\tx" + dots + "y\n\tb\n------\n\ta\n!\ty" + dots + "x\n\tb\n", "", 1}},
    });
}

TEST(ContextReportRun, NoInlineDisplayAndNoDifferences) {
    const std::string plain = "Change: 1 : 1\n!\tone two\n------\n!\tone too\n";
    run_cases({
        {"-x has no effect", "one two\n", "one too\n", {"-c1", "-x"}, {plain, "", 1}},
        {"-X has no effect", "one two\n", "one too\n", {"-X", "-c1"}, {plain, "", 1}},
        {"identical files", "a\nb\n", "a\nb\n", {"-c"}, {"", "", 0}},
        {"both empty", "", "", {"-c"}, {"", "", 0}},
        {"equal under -i", "A\nb\n", "a\nB\n", {"-c", "-i"}, {"", "", 0}},
        {"file names first", "a\n", "b\n", {"-N", "-c2"}, {"<< a : b >>\nChange: 1 : 1\n!\ta\n------\n!\tb\n", "", 1}},
    });
}

}  // namespace
}  // namespace vesk::e2e
