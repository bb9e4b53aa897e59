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
        // The first error wins, and the -N header comes before the file errors.
        {{"-q", "-c0", "a", "b"}, {"", "-q: invalid option", 2}},
        {{"-c0", "-q", "a", "b"}, {"", "0: invalid -c option number", 2}},
        {{"gone1", "gone2"}, {"", "gone1: not found\n", 2}},
        {{"-N", "a", "a"}, {"<< a : a >>\n", "same files\n", 2}},
        {{"-N", "a", "gone"}, {"<< a : gone >>\n", "gone: not found\n", 2}},
        {{"sub", "a"}, {"", "sub: not found\n", 2}},
        {{"a", "/proc/self/mem"}, {"", "/proc/self/mem: not found\n", 2}},  // opens, but cannot be read
        {{"bin", "./bin"}, {"", "bin: no text file\n", 2}},
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

    const Outcome version = {"vesk 1.51\nCopyright (c) 2026 The vesk authors\n"
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

// 33 lines of Shift-JIS text, the usage line the third, the version the last.
TEST(CommandLine, HelpText) {
    ScratchDir dir;
    const Outcome help = run_vesk(dir, {"-usage"});
    EXPECT_EQ(std::count(help.out.begin(), help.out.end(), '\n'), 33);
    EXPECT_EQ(help.out.size(), 1206u);
    EXPECT_NE(help.out.find("\n \n" + USAGE + " \n"), std::string::npos);
    EXPECT_TRUE(help.out.ends_with("\nVersion: 1.51\n"));
    EXPECT_EQ(help.status + help.err.size(), 0u);
}

// Byte-identical files take a shortcut that must answer as the full comparison
// would; both reports read their lines from the mapped files.
TEST(WholeRun, FromRealFiles) {
    const std::string dots(255, '.');
    // Bytes 256 columns apart share their weight: these two lines' fingerprints collide.
    const std::string x_y = "x" + dots + "y\n", y_x = "y" + dots + "x\n";
    std::string before, after;
    for (int line = 1; line <= 20; ++line) before += "line " + std::to_string(line) + "\n";
    for (int line = 22; line <= 40; ++line) after += "line " + std::to_string(line) + "\n";
    // A block of lines that stay in their file is printed whole; a form feed in it
    // is still shown as "^L".
    std::string shown, fed, fed_shown;
    for (int line = 1; line <= 20; ++line) {
        const std::string number = std::to_string(line);
        shown += "\tline " + number + "\n";
        fed += (line == 17 ? "line\f" : "line ") + number + "\n";
        fed_shown += (line == 17 ? "\tline^L" : "\tline ") + number + "\n";
    }
    const struct {
        const char* name;
        std::string first, second;
        std::vector<std::string> options;
        Outcome expected;
    } cases[] = {
        {"identical, not text in a later block", std::string((1 << 20) + 5, 'y') + "\x1f",
         std::string((1 << 20) + 5, 'y') + "\x1f", {}, {"", "a: no text file\n", 2}},
        {"equal sizes", "abc\nabd\n", "abc\nabe\n", {}, {"change: 2 : 2\n\tabd\n------\n\tabe\n", "", 1}},
        {"a collision inside a long run", before + x_y + after, before + y_x + after, {},
         {"change: 21 : 21\n\t" + x_y + "------\n\t" + y_x, "", 1}},
        {"a block of 20 lines", before + "same\n", "same\n", {}, {"delete: 1,20 : 0\n" + shown, "", 1}},
        {"a form feed in a block", fed + "same\n", "same\n", {}, {"delete: 1,20 : 0\n" + fed_shown, "", 1}},
        {"-c alone means 3", "a\nb\nc\nd\ne\n", "a\nb\nc\nd\nX\n", {"-c"},
         {"Change: 2,5 : 2,5\n\tb\n\tc\n\td\n!\te\n------\n\tb\n\tc\n\td\n!\tX\n", "", 1}},
    };
    for (const auto& c : cases) EXPECT_EQ(compare(c.first, c.second, c.options), c.expected) << c.name;
}

}  // namespace
}  // namespace vesk::e2e
