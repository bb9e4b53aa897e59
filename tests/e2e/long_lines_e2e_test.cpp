// Lines of several megabytes: loading cuts them into pieces of 4,095 bytes, each
// a line of its own, and every report must compare and print those pieces as
// it would any other line. The inputs are generated here; each case spells out
// which piece differs and what the report shows of it.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "e2e/e2e_harness.h"

namespace vesk::e2e {
namespace {

// A line longer than this comes in pieces of this many bytes.
constexpr std::int64_t kPiece = 4095;

// Words of the form "w0000042 ": 9 bytes, so that 455 of them fill a piece
// exactly and every word stands whole in one piece.
constexpr std::int64_t kWordBytes = 9;
constexpr std::int64_t kWordsPerPiece = kPiece / kWordBytes;

std::string words(std::int64_t first, std::int64_t count) {
    std::string text;
    text.reserve(static_cast<std::size_t>(count * kWordBytes));
    char word[32];  // room for any 64-bit number
    for (std::int64_t at = first; at < first + count; ++at) {
        std::snprintf(word, sizeof word, "w%07lld ", static_cast<long long>(at));
        text += word;
    }
    return text;
}

std::string blanks(std::int64_t count) { return std::string(static_cast<std::size_t>(count), ' '); }

std::string piece_of_words(std::int64_t piece) { return words(piece * kWordsPerPiece, kWordsPerPiece); }

std::string with_byte(std::string text, std::int64_t at, char byte) {
    text[static_cast<std::size_t>(at)] = byte;
    return text;
}

// One line of 3,000,000 'a' and its newline: pieces 0..731 are 4,095 'a'
// (all equal), piece 732 is 2,460 'a' and the newline.
const std::string& a_line() {
    static const std::string line = std::string(3'000'000, 'a') + "\n";
    return line;
}
// Byte 1,500,000 is byte 1,230 of piece 366 (366 * 4,095 = 1,498,770).
constexpr std::int64_t kMiddleByte = 1'500'000;
constexpr std::int64_t kMiddleInPiece = kMiddleByte - 366 * kPiece;

// One line of 333,333 words (2,999,997 bytes) and its newline: pieces 0..731
// hold 455 words each, piece 732 the last 273 words and the newline.
const std::string& word_line() {
    static const std::string line = words(0, 333'333) + "\n";
    return line;
}
// Word 166,666 stands at byte 1,224 of piece 366 (its word 136).
constexpr std::int64_t kChangedWord = 166'666;
constexpr std::int64_t kChangedWordByte = kChangedWord * kWordBytes;
constexpr std::int64_t kChangedWordInPiece = (kChangedWord - 366 * kWordsPerPiece) * kWordBytes;

struct Case {
    const char* name;
    std::string first, second;
    std::vector<std::string> options;
    Outcome expected;
};

void run_cases(const std::vector<Case>& cases) {
    for (const Case& c : cases) EXPECT_EQ(compare(c.first, c.second, c.options), c.expected) << c.name;
}

// The 'a' line against itself with one byte changed in piece 366. All full
// pieces are equal lines, so the matcher pairs pieces 0..365 with 0..365 (the
// run from the top stops at the changed piece), then in what follows prefers
// the run 366..730 against 367..731 (365 pieces) to anything else: the changed
// piece is an added line, piece 731 of the first file a deleted one.
std::string repeated_pieces_report(const std::string& changed_piece) {
    return "add   : 366 : 367\n\t" + changed_piece + "\n" + "delete: 732 : 732\n\t" + std::string(4095, 'a') + "\n";
}

const Outcome& repeated_pieces_outcome() {
    static const Outcome report{
        repeated_pieces_report(with_byte(std::string(4095, 'a'), kMiddleInPiece, 'b')), "", 1};
    return report;
}

TEST(LongLines, RepeatedPiecesPairUpFromTheTop) {
    const std::string changed = with_byte(a_line(), kMiddleByte, 'b');
    // Pieces of 4,095 bytes without tabs are the longest lines -t 8 still prints.
    run_cases({
        {"plain", a_line(), changed, {}, repeated_pieces_outcome()},
        {"-t 8", a_line(), changed, {"-t", "8"}, repeated_pieces_outcome()},
        {"identical lines", a_line(), a_line(), {}, {"", "", 0}},
    });
}

TEST(LongLines, RepeatedPiecesLeaveNothingInLine) {
    // No change block pairs two lines, so -x and -X show nothing else.
    const std::string changed = with_byte(a_line(), kMiddleByte, 'b');
    run_cases({
        {"-x", a_line(), changed, {"-x"}, repeated_pieces_outcome()},
        {"-X", a_line(), changed, {"-X"}, repeated_pieces_outcome()},
    });
}

TEST(LongLines, ATabInAPieceUnderTabStops) {
    // Byte 1,230 of a piece is at column 1,230 = 8 * 153 + 6: its tab takes two
    // columns and the piece 4,096; one byte later the tab takes one column.
    const std::string two_column_tab = with_byte(a_line(), kMiddleByte, '\t');
    const std::string one_column_tab = with_byte(a_line(), kMiddleByte + 1, '\t');
    const std::string too_long = "add   : 366 : 367\nError: " + std::string(256, 'a') + " ... too long line\n";
    const std::string fits = std::string(1231, 'a') + " " + std::string(2863, 'a');
    run_cases({
        {"the piece reaches 4,096 characters", a_line(), two_column_tab, {"-t", "8"}, {too_long, "", 1}},
        {"the piece stays at 4,095 characters", a_line(), one_column_tab, {"-t", "8"},
         {repeated_pieces_report(fits), "", 1}},
        {"without -t the tab is printed", a_line(), two_column_tab, {},
         {repeated_pieces_report(with_byte(std::string(4095, 'a'), kMiddleInPiece, '\t')), "", 1}},
    });
}

TEST(LongLines, ADistinctPieceIsAChangeOfOneLine) {
    const std::string changed = with_byte(word_line(), kChangedWordByte, 'v');
    const std::string first = piece_of_words(366);
    const std::string second = with_byte(first, kChangedWordInPiece, 'v');
    const std::string plain = "change: 367 : 367\n\t" + first + "\n------\n\t" + second + "\n";
    // Only the changed word is shown; every other byte of the piece becomes a
    // blank, and the piece has no newline of its own.
    const std::string after = blanks(kPiece - kChangedWordInPiece - 8);
    const std::string in_line = "change: 367 : 367\n\t" + blanks(kChangedWordInPiece) + "w0166666" + after +
                                "\n------\n\t" + blanks(kChangedWordInPiece) + "v0166666" + after + "\n";
    run_cases({
        {"plain", word_line(), changed, {}, {plain, "", 1}},
        {"-x", word_line(), changed, {"-x"}, {in_line, "", 1}},
        {"-X on pieces of equal length is the word form", word_line(), changed, {"-X"}, {in_line, "", 1}},
        {"-x -t 8", word_line(), changed, {"-x", "-t", "8"}, {in_line, "", 1}},
    });
}

TEST(LongLines, TheLastPieceOfALine) {
    // "xyz" joins the last word; only the last piece (273 words and the
    // newline, 2,458 bytes) changes, and grows to 2,461 bytes.
    const std::string longer = word_line().substr(0, word_line().size() - 2) + "xyz \n";
    const std::string before = blanks(272 * kWordBytes);
    run_cases({
        {"-X shows the replaced part and cuts the rest", word_line(), longer, {"-X"},
         {"change: 733 : 733\n^\t" + before + "w0333332\n------\n^\t" + before + "w0333332xyz\n", "", 1}},
        // Position by position, the first line's blank and newline stand
        // against "xy" and stay shown; "xyz" widens back over the word.
        {"-x compares position by position", word_line(), longer, {"-x"},
         {"change: 733 : 733\n\t" + before + "w0333332 \n------\n\t" + before + "w0333332xyz \n", "", 1}},
    });
}

TEST(LongLines, TooLongLineAfterPartOfABlock) {
    // The first word of piece 366 starts with a tab instead of 'w': that piece
    // expands to 8 + 4,094 characters. The first file's side of the change is
    // printed; of the second nothing, not even its prefix. The message shows the
    // first 256 bytes: 28 words and "w016" of the 29th.
    const std::string changed = with_byte(word_line(), 366 * kPiece, '\t');
    const std::string shown = with_byte(words(366 * kWordsPerPiece, 28), 0, '\t') + "w016";
    run_cases({
        {"-t 8", word_line(), changed, {"-t", "8"},
         {"change: 367 : 367\n\t" + piece_of_words(366) + "\n------\nError: " + shown + " ... too long line\n", "",
          1}},
    });
}

TEST(LongLines, WhereAPieceEnds) {
    const std::string two_pieces(2 * kPiece, 'a');
    const std::string longest = std::string(4094, 'a') + "\n";
    run_cases({
        // A newline right after two full pieces is a third line of its own.
        {"a newline after two pieces", two_pieces + "\n", two_pieces, {}, {"delete: 3 : 2\n\t\n", "", 1}},
        {"a newline after two pieces, second file", two_pieces, two_pieces + "\n", {}, {"add   : 2 : 3\n\t\n", "", 1}},
        // 4,094 bytes and the newline are one line, 4,095 and the newline two:
        // one line against two, which -x leaves whole.
        {"4,094 against 4,095 bytes", longest, std::string(4095, 'a') + "\n", {"-x"},
         {"change: 1 : 1,2\n\t" + longest + "------\n\t" + std::string(4095, 'a') + "\n\t\n", "", 1}},
    });
}

TEST(LongLines, TextModeBytesBeforeTheCut) {
    // Carriage returns are gone before the line is cut: the same words with a
    // return after every one give the same pieces. A Ctrl-Z ends the input in
    // the middle of a piece; only padding follows it.
    std::string with_returns;
    for (std::size_t at = 0; at + 1 < word_line().size(); at += kWordBytes)
        with_returns += word_line().substr(at, kWordBytes) + "\r";
    with_returns += "\r\n";
    const std::string head = word_line().substr(0, kMiddleByte);
    run_cases({
        {"a return after every word", with_returns, word_line(), {}, {"", "", 0}},
        {"Ctrl-Z in the middle of a piece", head + "\x1a\r\n\x1a", head, {}, {"", "", 0}},
    });
}

}  // namespace
}  // namespace vesk::e2e
