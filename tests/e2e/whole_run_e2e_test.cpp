// Whole runs on real files. What makes a file text, pinned where getting it
// wrong once answered "same" (status 0) for files that differ: a NUL anywhere,
// and any byte but padding after the Ctrl-Z that ends the text, make a file no
// text. Byte-identical files take a shortcut that must answer as the full
// comparison would, and refuse what it refuses. Both reports read their lines
// from the mapped files. Lines of 4,096 bytes or more are compared in pieces of
// 4,095, where a piece may open on the trail byte of a cut character.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "e2e/e2e_harness.h"

namespace vesk::e2e {
namespace {

using namespace std::string_literals;

TEST(WholeRun, FromRealFiles) {
    // Two real 2x2 PNG images, red and blue. Their signature holds a Ctrl-Z.
    const std::string dir = std::string(VESK_SOURCE_DIR) + "/tests/e2e/data/";
    const std::string red = read_bytes(dir + "red.png"), blue = read_bytes(dir + "blue.png");
    const std::string utf16_hello = "\xff\xfeh\0e\0l\0l\0o\0\n\0"s, utf16_hallo = "\xff\xfeh\0a\0l\0l\0o\0\n\0"s;
    const Outcome not_text{"", "a: no text file\n", 2};
    const std::string head(4094, 'a');
    std::string hiragana;  // 200 あ: 400 columns
    for (int count = 0; count < 200; ++count) hiragana += "\xE3\x81\x82";
    const std::string dots(255, '.');
    // Bytes 256 columns apart share their weight: these two lines' fingerprints collide.
    const std::string x_y = "x" + dots + "y\n", y_x = "y" + dots + "x\n";
    // A block of lines that stay in their file is printed whole; a form feed in it
    // is still shown as "^L".
    std::string before, after, shown, fed, fed_shown;
    for (int line = 1; line <= 40; ++line) {
        const std::string number = std::to_string(line);
        (line <= 20 ? before : after) += line == 21 ? "" : "line " + number + "\n";
        if (line > 20) continue;
        shown += "\tline " + number + "\n";
        fed += (line == 17 ? "line\f" : "line ") + number + "\n";
        fed_shown += (line == 17 ? "\tline^L" : "\tline ") + number + "\n";
    }
    expect_rows({
        {"two PNG images", red, blue, {}, not_text},
        {"a NUL in a line", "a\0b\n"s, "a\0c\n"s, {}, not_text},
        {"UTF-16 files", utf16_hello, utf16_hallo, {}, not_text},
        {"Ctrl-Z followed by text", "one\n\x1atwo\n", "one\n\x1asix\n", {}, not_text},
        {"identical PNG images", red, red, {}, not_text},
        {"identical, a NUL in a line", "a\0b\n"s, "a\0b\n"s, {}, not_text},
        {"identical UTF-16 files", utf16_hello, utf16_hello, {}, not_text},
        {"identical, Ctrl-Z followed by text", "one\n\x1atwo\n", "one\n\x1atwo\n", {}, not_text},
        // The first file is checked first; the -N header is all that is printed.
        {"only the second file", "one\n", "one\n\x1atwo\n", {"-N"}, {"<< a : b >>\n", "b: no text file\n", 2}},
        {"a NUL in the second file's last line", "one\ntwo", "one\ntwo\0"s, {}, {"", "b: no text file\n", 2}},
        // An end-of-file mark with its padding still ends the text.
        {"Ctrl-Z followed by CR LF and more Ctrl-Z", "one\ntwo\n\x1a\r\n\x1a\x1a", "one\ntwo\n", {}, {"", "", 0}},
        {"identical, a padded Ctrl-Z", "one\n\x1a\r\n\x1a", "one\n\x1a\r\n\x1a", {}, {"", "", 0}},
        {"text before a padded Ctrl-Z", "one\ntwo\n\x1a\r\n", "one\nsix\n\x1a\x1a", {},
         {"change: 2 : 2\n\ttwo\n------\n\tsix\n", "", 1}},
        // -i must not fold a trail byte that opens a piece (0x41 and 0x61 are two
        // characters there); under --utf8 it folds a capital after a byte that
        // Shift-JIS would take for a lead byte.
        {"a cut character's trail byte", head + "\x83\x41\n", head + "\x83\x61\n", {"-i"},
         {"change: 2 : 2\n\tA\n------\n\ta\n", "", 1}},
        {"--utf8: a capital opening a piece", head + "\x80" "A\n", head + "\x80" "a\n", {"--utf8", "-i"}, {"", "", 0}},
        // "a" and 200 あ are 401 columns; the tab reaches column 4,096. The message
        // shows 256 columns: "a" and 127 あ make 255, the next あ would cross the
        // edge, so one blank stands in front instead.
        {"identical, not text in a later block", std::string((1 << 20) + 5, 'y') + "\x1f",
         std::string((1 << 20) + 5, 'y') + "\x1f", {}, {"", "a: no text file\n", 2}},
        {"equal sizes", "abc\nabd\n", "abc\nabe\n", {}, {"change: 2 : 2\n\tabd\n------\n\tabe\n", "", 1}},
        {"a collision inside a long run", before + x_y + after, before + y_x + after, {},
         {"change: 21 : 21\n\t" + x_y + "------\n\t" + y_x, "", 1}},
        {"a block of 20 lines", before + "same\n", "same\n", {}, {"delete: 1,20 : 0\n" + shown, "", 1}},
        {"a form feed in a block", fed + "same\n", "same\n", {}, {"delete: 1,20 : 0\n" + fed_shown, "", 1}},
        // As the hand-built report of the same block: -X, never read as -x.
        {"-X", "abc\n", "abcdef\n", {"-X"}, {"change: 1 : 1\n^\tabc\n------\n^\tabcdef\n", "", 1}},
        {"-c alone means 3", "a\nb\nc\nd\ne\n", "a\nb\nc\nd\nX\n", {"-c"},
         {"Change: 2,5 : 2,5\n\tb\n\tc\n\td\n!\te\n------\n\tb\n\tc\n\td\n!\tX\n", "", 1}},
        {"--utf8: a too long line cut between characters", "a" + hiragana + "\t\n", "b\n", {"--utf8", "-t", "4096"},
         {"change: 1 : 1\nError:  a" + hiragana.substr(0, 127 * 3) + " ... too long line\n", "", 1}},
    });
}

}  // namespace
}  // namespace vesk::e2e
