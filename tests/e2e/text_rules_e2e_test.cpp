// What makes a file text, pinned where getting it wrong once answered "same"
// (status 0) for files that differ: a NUL anywhere, and any byte but padding
// after the Ctrl-Z that ends the text, make a file no text.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "e2e/e2e_harness.h"

namespace vesk::e2e {
namespace {

using namespace std::string_literals;

// Two real 2x2 PNG images, red and blue. Their signature holds a Ctrl-Z.
std::string png(const char* name) { return read_bytes(std::string(VESK_SOURCE_DIR) + "/tests/e2e/data/" + name); }

const std::string UTF16_HELLO = "\xff\xfeh\0e\0l\0l\0o\0\n\0"s;
const std::string UTF16_HALLO = "\xff\xfeh\0a\0l\0l\0o\0\n\0"s;

struct Row {
    const char* fault;
    std::string first, second;
    std::vector<std::string> options;
    Outcome outcome;
};

TEST(TextRules, FilesThatAreNotTextAreRefusedInsteadOfCalledSame) {
    const Row rows[] = {
        {"two PNG images", png("red.png"), png("blue.png"), {}, {"", "a: no text file\n", 2}},
        {"a NUL in a line", "a\0b\n"s, "a\0c\n"s, {}, {"", "a: no text file\n", 2}},
        {"UTF-16 files", UTF16_HELLO, UTF16_HALLO, {}, {"", "a: no text file\n", 2}},
        {"Ctrl-Z followed by text", "one\n\x1atwo\n", "one\n\x1asix\n", {}, {"", "a: no text file\n", 2}},
        // The first file is checked first; the -N header is all that is printed.
        {"only the second file", "one\n", "one\n\x1atwo\n", {"-N"}, {"<< a : b >>\n", "b: no text file\n", 2}},
        {"a NUL in the second file's last line", "one\ntwo", "one\ntwo\0"s, {}, {"", "b: no text file\n", 2}},
        // An end-of-file mark with its padding still ends the text.
        {"Ctrl-Z followed by CR LF and more Ctrl-Z", "one\ntwo\n\x1a\r\n\x1a\x1a", "one\ntwo\n", {}, {"", "", 0}},
        {"text before a padded Ctrl-Z", "one\ntwo\n\x1a\r\n", "one\nsix\n\x1a\x1a", {},
         {"change: 2 : 2\n\ttwo\n------\n\tsix\n", "", 1}},
    };
    for (const Row& row : rows) EXPECT_EQ(compare(row.first, row.second, row.options), row.outcome) << row.fault;
}

// Byte-identical files take a shortcut, which must refuse what the full
// comparison refuses.
TEST(TextRules, TheIdenticalFileShortcutRefusesWhatLoadingRefuses) {
    for (const std::string& not_text : {png("red.png"), "a\0b\n"s, UTF16_HELLO, "one\n\x1atwo\n"s})
        EXPECT_EQ(compare(not_text, not_text), (Outcome{"", "a: no text file\n", 2})) << not_text;
    EXPECT_EQ(compare("one\n\x1a\r\n\x1a", "one\n\x1a\r\n\x1a"), (Outcome{"", "", 0}));
}

// A line of 4,096 bytes or more is compared in pieces of 4,095; a cut between
// the two bytes of a double-byte character leaves the trail byte to open the
// next piece, and -i must not fold it (0x41 and 0x61 are two characters there).
TEST(TextRules, ACutDoubleByteCharacterKeepsItsTrailByteUnfoldedUnderI) {
    const std::string head(4094, 'a');
    EXPECT_EQ(compare(head + "\x83\x41\n", head + "\x83\x61\n", {"-i"}),
              (Outcome{"change: 2 : 2\n\tA\n------\n\ta\n", "", 1}));
}

}  // namespace
}  // namespace vesk::e2e
