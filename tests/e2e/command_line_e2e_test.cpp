// What only the whole program shows: arguments, messages and their order, exit
// statuses, real files, and standard output beside standard error.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "e2e/e2e_harness.h"

namespace vesk::e2e {
namespace {

const std::string USAGE = "Usage : vesk [-biNxX] [-c[<m>]] [-t <n>] <filename1> <filename2>\n";

// Each case runs in a folder holding two equal files "a" and "b", a folder
// "sub" and a file "bin" that is not text.
TEST(CommandLine, ArgumentsMessagesAndStatuses) {
    ScratchDir dir;
    dir.write("a", "same\n");
    dir.write("b", "same\n");
    dir.write("bin", "ok\n\x02\n");
    std::filesystem::create_directory(dir.path() + "/sub");
    const std::pair<std::vector<std::string>, Outcome> cases[] = {
        {{}, {"", USAGE, 2}},
        {{"a", "b", "a"}, {"", USAGE, 2}},
        {{"a", "b", "-i"}, {"", USAGE, 2}},  // options come first
        {{"-usage", "a", "b"}, {"", "-usage: invalid option", 2}},
        {{"-bc", "a", "b"}, {"", "-bc: invalid option", 2}},
        {{"-t4", "a", "b"}, {"", "-t4: invalid option", 2}},
        {{"-B", "a", "b"}, {"", "-B: invalid option", 2}},
        {{"-c-1", "a", "b"}, {"", "-1: invalid -c option number", 2}},
        {{"-c4294967299", "a", "b"}, {"", "4294967299: invalid -c option number", 2}},  // saturates, never wraps to 3
        {{"-c10", "a", "b"}, {"", "", 0}},
        {{"-c7z", "a", "b"}, {"", "", 0}},
        {{"-t"}, {"", "tabstop number missing\n", 2}},
        {{"-t", "0", "a", "b"}, {"", "tabstop number error\n", 2}},
        {{"-t", "4294967295", "a", "b"}, {"", "", 0}},  // saturates, never wraps to -1
        {{"-t", " \t+4", "a", "b"}, {"", "", 0}},
        {{"-", "a", "b"}, {"", "", 0}},
        {{"-x", "--utf8", "-i", "a", "b"}, {"", "", 0}},  // an extension stands among the options
        {{"a", "b", "--utf8"}, {"", USAGE, 2}},
        {{"--utf", "a", "b"}, {"", "--utf: invalid option", 2}},
        // The unified report's options: equal files print nothing, not even a header.
        {{"--unified", "--label", "x", "a", "b"}, {"", "", 0}},
        {{"--unified", "-c", "a", "b"}, {"", "-c and --unified cannot be given together\n", 2}},
        {{"-c2", "--unified=1", "a", "b"}, {"", "-c and --unified cannot be given together\n", 2}},
        {{"-c0", "--unified", "a", "b"}, {"", "0: invalid -c option number", 2}},
        {{"--unified=", "a", "b"}, {"", "--unified=: invalid number of lines\n", 2}},
        {{"--unified=-1", "a", "b"}, {"", "--unified=-1: invalid number of lines\n", 2}},
        {{"--unified=2x", "a", "b"}, {"", "--unified=2x: invalid number of lines\n", 2}},
        {{"--unified2", "a", "b"}, {"", "--unified2: invalid option", 2}},
        {{"--label"}, {"", "--label: label missing\n", 2}},
        {{"--label=1", "--label", "2", "--label=3", "a", "b"}, {"", "--label: given more than twice\n", 2}},
        // The first error wins, and the -N header comes before the file errors.
        {{"-q", "-c0", "a", "b"}, {"", "-q: invalid option", 2}},
        {{"-c0", "-q", "a", "b"}, {"", "0: invalid -c option number", 2}},
        {{"gone1", "gone2"}, {"", "gone1: not found\n", 2}},
        {{"-N", "a", "a"}, {"<< a : a >>\n", "same files\n", 2}},
        {{"-N", "a", "gone"}, {"<< a : gone >>\n", "gone: not found\n", 2}},
        {{"sub", "a"}, {"", "sub: not found\n", 2}},
        {{"a", "/proc/self/mem"}, {"", "/proc/self/mem: not found\n", 2}},  // opens, but cannot be read
        {{"bin", "./bin"}, {"", "bin: no text file\n", 2}},
        // Side by side, equal files show every line: W 20 puts the gutter after 8
        // columns, and without a terminal rows are 130 columns (Lw 63).
        {{"--side-by-side", "--width=20", "a", "b"}, {"same" + std::string(4 + 3, ' ') + "same\n", "", 0}},
        {{"--side-by-side", "a", "./a"}, {"same" + std::string(59 + 3, ' ') + "same\n", "", 0}},
        {{"--side-by-side", "--suppress-common-lines", "a", "b"}, {"", "", 0}},
        {{"--side-by-side", "-c", "a", "b"}, {"", "-c and --side-by-side cannot be given together\n", 2}},
        {{"--unified", "--side-by-side", "a", "b"}, {"", "--unified and --side-by-side cannot be given together\n", 2}},
        {{"--suppress-common-lines", "a", "b"}, {"", "--suppress-common-lines needs --side-by-side\n", 2}},
        {{"--width=19", "a", "b"}, {"", "--width=19: invalid width (a number of columns from 20 to 1000000)\n", 2}},
        {{"--width=2O", "a", "b"}, {"", "--width=2O: invalid width (a number of columns from 20 to 1000000)\n", 2}},
        {{"--color=sometimes", "a", "b"}, {"", "--color=sometimes: invalid; WHEN is never, always or auto\n", 2}},
        {{"--palette=de=31:ad=3a", "a", "b"}, {"", "--palette=de=31:ad=3a: invalid palette entry 'ad=3a'; each is KEY=SGR, KEY one of rs hd ln de ad dw aw, SGR digits and ';'\n", 2}},
        {{"--palette=xx=1", "a", "b"}, {"", "--palette=xx=1: invalid palette entry 'xx=1'; each is KEY=SGR, KEY one of rs hd ln de ad dw aw, SGR digits and ';'\n", 2}},
    };
    for (const auto& [args, expected] : cases) EXPECT_EQ(run_vesk(dir, args), expected) << ::testing::PrintToString(args);
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
    std::istringstream lines(help.out);
    for (std::string line; std::getline(lines, line);) {
        EXPECT_LT(line.size(), 80u) << line;
        EXPECT_TRUE(std::all_of(line.begin(), line.end(), [](char byte) { return byte >= 0x20 && byte < 0x7F; })) << line;
    }
    for (const char* entry : {"\n  -b ", "\n  -i ", "\n  -N ", "\n  -x ", "\n  -X ", "\n  -c[<m>] ", "\n  -t <n> ",
                              "\n  --utf8 ", "\n  --unified[=N]\n", "\n  --label L ", "\n  -usage ", "\n  --help ", "\n  --version ", "\n  0 ", "\n  1 ", "\n  2 ", "\n  255 ",
                              "man vesk"})
        EXPECT_NE(help.out.find(entry), std::string::npos) << entry;

    const Outcome version = {"vesk " VESK_VERSION "\nCopyright (c) 2026 The vesk authors\n"
                             "MIT License: free to use, copy, change and share; no warranty.\n",
                             "", 0};
    const std::pair<std::vector<std::string>, Outcome> cases[] = {
        {{"--version"}, version},
        {{"-b", "--help", "-c3", "a", "b"}, help},
        {{"a", "b", "--version"}, version},
        {{"-q", "a", "gone", "--help"}, help},  // over a bad option and a missing file
        {{"-t", "--help"}, help},               // even as the width of -t
        {{"-usage", "--version"}, version},
        {{"--version", "--help"}, version},     // the first of the two wins
        {{"a", "--help", "--version"}, help},
        {{"--helpme", "a", "b"}, {"", "--helpme: invalid option", 2}},
        {{"--", "a", "b"}, {"", "--: invalid option", 2}},
        {{"-h"}, {"", "-h: invalid option", 2}},
    };
    for (const auto& [args, expected] : cases) EXPECT_EQ(run_vesk(dir, args), expected) << ::testing::PrintToString(args);
}

}  // namespace
}  // namespace vesk::e2e
