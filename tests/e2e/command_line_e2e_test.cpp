// The command line: every rule, message and exit status, and which error wins.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "e2e/e2e_harness.h"

namespace vesk::e2e {
namespace {

const std::string kUsage = "Usage : vesk [-biNxX] [-c[<m>]] [-t <n>] <filename1> <filename2>\n";

struct Case {
    const char* name;
    std::vector<std::string> args;
    Outcome expected;
};

// Runs each case in a folder holding two equal files "a" and "b", a folder
// "sub" and a file "bin" that is not text.
void run_cases(const std::vector<Case>& cases) {
    ScratchDir dir;
    dir.write("a", "same\n");
    dir.write("b", "same\n");
    dir.write("bin", "ok\n\x02\n");
    dir.write("sub/.keep", "");
    for (const Case& c : cases) EXPECT_EQ(run_vesk(dir, c.args), c.expected) << c.name;
}

TEST(CommandLine, UsageErrors) {
    run_cases({
        {"no arguments", {}, {"", kUsage, 2}},
        {"one name", {"a"}, {"", kUsage, 2}},
        {"three names", {"a", "b", "a"}, {"", kUsage, 2}},
        {"option after the names", {"a", "b", "-i"}, {"", kUsage, 2}},
        {"-c takes no separate number", {"-c", "5", "a", "b"}, {"", kUsage, 2}},
        {"-t after a name ends nothing", {"a", "b", "-t"}, {"", kUsage, 2}},
    });
}

TEST(CommandLine, InvalidLettersNameTheWholeArgument) {
    run_cases({
        {"-usage with names", {"-usage", "a", "b"}, {"", "-usage: invalid option", 2}},
        {"capital usage", {"-USAGE"}, {"", "-USAGE: invalid option", 2}},
        {"-c joined to letters", {"-bc", "a", "b"}, {"", "-bc: invalid option", 2}},
        {"-t joined to its width", {"-t4", "a", "b"}, {"", "-t4: invalid option", 2}},
        {"letters are case-sensitive", {"-B", "a", "b"}, {"", "-B: invalid option", 2}},
    });
}

TEST(CommandLine, ContextCountMustBeOneToTen) {
    run_cases({
        {"zero", {"-c0", "a", "b"}, {"", "0: invalid -c option number", 2}},
        {"eleven", {"-c11", "a", "b"}, {"", "11: invalid -c option number", 2}},
        {"negative", {"-c-1", "a", "b"}, {"", "-1: invalid -c option number", 2}},
        {"not a number", {"-cx", "a", "b"}, {"", "x: invalid -c option number", 2}},
        {"beyond 32 bits", {"-c99999999999", "a", "b"}, {"", "99999999999: invalid -c option number", 2}},
        {"saturates instead of wrapping to 3", {"-c4294967299", "a", "b"}, {"", "4294967299: invalid -c option number", 2}},
        {"default", {"-c", "a", "b"}, {"", "", 0}},
        {"ten", {"-c10", "a", "b"}, {"", "", 0}},
        {"digits then junk", {"-c7z", "a", "b"}, {"", "", 0}},
    });
}

TEST(CommandLine, TabStopWidth) {
    run_cases({
        {"missing", {"-t"}, {"", "tabstop number missing\n", 2}},
        {"zero", {"-t", "0", "a", "b"}, {"", "tabstop number error\n", 2}},
        {"negative", {"-t", "-2", "a", "b"}, {"", "tabstop number error\n", 2}},
        {"not a number", {"-t", "abc", "a", "b"}, {"", "tabstop number error\n", 2}},
        {"saturates instead of wrapping to -1", {"-t", "4294967295", "a", "b"}, {"", "", 0}},
        {"leading white space", {"-t", " \t+4", "a", "b"}, {"", "", 0}},
        {"huge", {"-t", "99999999999", "a", "b"}, {"", "", 0}},
    });
}

TEST(CommandLine, AcceptedForms) {
    run_cases({
        {"joined letters", {"-biNxX", "a", "b"}, {"<< a : b >>\n", "", 0}},
        {"separate letters", {"-b", "-i", "-x", "a", "b"}, {"", "", 0}},
        {"repeated letter", {"-bb", "a", "b"}, {"", "", 0}},
        {"lone dash", {"-", "a", "b"}, {"", "", 0}},
        {"two paths to one file", {"a", "./a"}, {"", "", 0}},
    });
}

TEST(CommandLine, FirstErrorWins) {
    run_cases({
        {"bad letter before bad count", {"-q", "-c0", "a", "b"}, {"", "-q: invalid option", 2}},
        {"bad count before bad letter", {"-c0", "-q", "a", "b"}, {"", "0: invalid -c option number", 2}},
        {"options before the count of names", {"-q", "a"}, {"", "-q: invalid option", 2}},
        {"names before the files", {"a", "a"}, {"", "same files\n", 2}},
        {"first missing file first", {"gone1", "gone2"}, {"", "gone1: not found\n", 2}},
        {"second missing file", {"a", "gone"}, {"", "gone: not found\n", 2}},
    });
}

TEST(CommandLine, HeaderComesBeforeFileErrors) {
    run_cases({
        {"same names", {"-N", "a", "a"}, {"<< a : a >>\n", "same files\n", 2}},
        {"missing file", {"-N", "a", "gone"}, {"<< a : gone >>\n", "gone: not found\n", 2}},
    });
}

TEST(CommandLine, FilesThatCannotBeCompared) {
    run_cases({
        {"directory is not an empty file", {"sub", "a"}, {"", "sub: not found\n", 2}},
        {"opens but cannot be read", {"a", "/proc/self/mem"}, {"", "/proc/self/mem: not found\n", 2}},
        {"first not text", {"bin", "a"}, {"", "bin: no text file\n", 2}},
        {"second not text", {"a", "bin"}, {"", "bin: no text file\n", 2}},
        {"both not text: the first is named", {"bin", "./bin"}, {"", "bin: no text file\n", 2}},
    });
}

// --help and --version are extensions: answered wherever they stand and over any
// error; given both, the first wins. Every other long option is refused as before.
TEST(CommandLine, HelpAndVersionWinWhereverTheyStand) {
    ScratchDir dir;
    Outcome help = run_vesk(dir, {"--help"});
    ASSERT_EQ(help.status, 0);
    ASSERT_EQ(help.err, "");
    // Plain ASCII in lines under 80 columns, naming every option, every exit
    // status and where the manual is.
    std::size_t line_start = 0;
    for (std::size_t at = 0; at < help.out.size(); ++at) {
        unsigned char byte = static_cast<unsigned char>(help.out[at]);
        if (byte == '\n') {
            EXPECT_LT(at - line_start, 80u) << help.out.substr(line_start, at - line_start);
            line_start = at + 1;
        } else {
            EXPECT_TRUE(byte >= 0x20 && byte < 0x7F) << "byte " << at;
        }
    }
    for (const char* entry : {"\n  -b ", "\n  -i ", "\n  -N ", "\n  -x ", "\n  -X ", "\n  -c[<m>] ", "\n  -t <n> ",
                              "\n  --utf8 ", "\n  -usage ", "\n  --help ", "\n  --version ", "\n  0 ", "\n  1 ", "\n  2 ", "\n  255 ",
                              "man vesk"})
        EXPECT_NE(help.out.find(entry), std::string::npos) << entry;

    const Outcome version = {"vesk 1.51\nCopyright (c) 2026 The vesk authors\n"
                             "MIT License: free to use, copy, change and share; no warranty.\n",
                             "", 0};
    run_cases({
        {"version alone", {"--version"}, version},
        {"help among options", {"-b", "--help", "-c3", "a", "b"}, help},
        {"version after the file names", {"a", "b", "--version"}, version},
        {"help over a bad option and a missing file", {"-q", "a", "gone", "--help"}, help},
        {"help as the width of -t", {"-t", "--help"}, help},
        {"version over -usage", {"-usage", "--version"}, version},
        {"the first of the two wins", {"--version", "--help"}, version},
        {"and the other way round", {"a", "--help", "--version"}, help},
        {"other long options are refused", {"--helpme", "a", "b"}, {"", "--helpme: invalid option", 2}},
        {"as is a bare double dash", {"--", "a", "b"}, {"", "--: invalid option", 2}},
        {"-h is no help", {"-h"}, {"", "-h: invalid option", 2}},
    });
}

TEST(CommandLine, HelpText) {
    ScratchDir dir;
    Outcome help = run_vesk(dir, {"-usage"});
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.err, "");
    // Each line's length in Shift-JIS bytes.
    const std::size_t lengths[] = {38, 1, 64, 1, 10, 10, 71, 51, 1, 57, 1, 59, 45, 48, 1, 65, 59,
                                   1,  65, 75, 69, 52, 59, 1, 46, 57, 1, 62, 1, 45, 43, 1, 13};
    std::vector<std::string> lines;
    for (std::size_t start = 0, end; (end = help.out.find('\n', start)) != std::string::npos; start = end + 1)
        lines.push_back(help.out.substr(start, end - start));
    ASSERT_EQ(lines.size(), 33u);
    for (std::size_t at = 0; at < 33; ++at) EXPECT_EQ(lines[at].size(), lengths[at]) << "line " << at + 1;
    EXPECT_EQ(lines[2] + "\n", kUsage);
    EXPECT_EQ(lines[32], "Version: 1.51");
    // テキスト begins line 1; 　 (blank) lines hold one blank, not nothing.
    EXPECT_EQ(lines[0].substr(0, 8), bytes({0x83, 0x65, 0x83, 0x4C, 0x83, 0x58, 0x83, 0x67}));
    EXPECT_EQ(lines[1], " ");
    // "<< ファイル名１ : ファイル名２ >>": full-width digits 0x82 0x50 and 0x82 0x51.
    EXPECT_NE(lines[13].find(bytes({0x96, 0xBC, 0x82, 0x50})), std::string::npos);
    EXPECT_NE(lines[13].find(bytes({0x96, 0xBC, 0x82, 0x51})), std::string::npos);
}

}  // namespace
}  // namespace vesk::e2e
