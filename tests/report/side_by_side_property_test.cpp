// --side-by-side on generated pairs (ASCII with tabs and control bytes, Japanese
// in Shift-JIS and in UTF-8 with half-width katakana and a combining mark, lines
// longer than the cell and than a 4,095-byte piece, every width from 20 to 200),
// whole runs in-process. Every row must be the row that a plain reference makes
// of the two files' next lines, counting columns by the test's own table of its
// characters (never by vesk's width function): the reference pads the left cell
// to Lw columns by that count, asserts that each cell fits, and cuts only between
// characters, so an equal row is at most W columns with its mark at column Lw + 2.
// The marks come from the unified report's common lines, and the cells read down
// are the files' lines in order.
#include <gtest/gtest.h>

#include <random>
#include <regex>
#include <string>
#include <vector>

#include "e2e/e2e_harness.h"
#include "long_runs.h"

namespace vesk {
namespace {

// A character: its bytes in Shift-JIS and in UTF-8 ("" where it has none) and
// its columns as a terminal shows them: East Asian wide 2, a combining mark 0,
// others 1, and in Shift-JIS a column per byte. A tab runs to the next stop; a
// control byte shows as its caret pair.
constexpr int TAB = -1, CARET = -2;
struct Glyph {
    std::string shift_jis, utf8;
    int width;
};
const Glyph GLYPHS[] = {{"a", "a", 1}, {"A", "A", 1}, {" ", " ", 1}, {" ", " ", 1}, {"\t", "\t", TAB}, {"\f", "\f", CARET},
                        {"\x1b", "\x1b", CARET}, {"\x82\xA0", "\xE3\x81\x82", 2},  // あ
                        {"\x8A\xBF", "\xE6\xBC\xA2", 2}, {"\x82\x60", "\xEF\xBC\xA1", 2},    // 漢 Ａ
                        {"\xB1", "\xEF\xBD\xB1", 1}, {"\xDE", "\xEF\xBE\x9E", 1},              // ｱ ﾞ
                        {"\x81\x40", "\xE3\x80\x80", 2},                                          // ideographic space
                        {"", "\xC3\xA9", 1}, {"", "\xCC\x81", 0}};                             // é, U+0301
using Line = std::vector<const Glyph*>;

// Appends the cell of a line to row and returns its columns.
int reference_cell(const Line& line, int columns, int tab_width, std::string& row, bool utf8) {
    int column = 0;
    for (const Glyph* glyph : line) {
        const int width = glyph->width == TAB ? std::min(tab_width - column % tab_width, columns - column)
                          : glyph->width == CARET ? 2 : glyph->width;
        if (glyph->width == TAB && width == 0) break;
        if (column + width > columns) {
            if (column < columns) row += ' ';  // a wide character at the edge
            return columns;
        }
        row += glyph->width == TAB     ? std::string(static_cast<std::size_t>(width), ' ')
               : glyph->width == CARET ? std::string{'^', static_cast<char>(glyph->utf8[0] ^ 0x40)}
               : utf8                  ? glyph->utf8 : glyph->shift_jis;
        column += width;
    }
    return column;
}

std::string reference_row(char mark, const Line* left, const Line* right, int width, int tab_width, bool utf8) {
    const int left_columns = (width - 3) / 2, right_columns = width - 3 - left_columns;
    std::string row;
    const int used = left != nullptr ? reference_cell(*left, left_columns, tab_width, row, utf8) : 0;
    EXPECT_LE(used, left_columns);
    row += std::string(static_cast<std::size_t>(left_columns - used), ' ') + ' ' + mark;
    if (mark == '<') return row;
    row += ' ';
    if (right != nullptr) {
        EXPECT_LE(reference_cell(*right, right_columns, tab_width, row, utf8), right_columns);
    }
    return row.erase(row.find_last_not_of(' ') + 1);
}

// Mostly short lines, some longer than any cell, a few longer than a piece.
Line random_line(bool utf8, std::mt19937& random) {
    const unsigned kind = random() % 100;
    Line line(kind < 85 ? random() % 30 : kind < 98 ? 60 + random() % 200 : 1500 + random() % 200);
    const std::size_t glyphs = std::size(GLYPHS) - (utf8 ? 0 : 2);
    for (const Glyph*& glyph : line) glyph = &GLYPHS[random() % glyphs];
    return line;
}

// Lines drawn in part from a small pool, so that some repeat; the second file
// is the first with lines deleted, inserted and changed.
void random_files(bool utf8, std::mt19937& random, std::vector<Line> (&files)[2]) {
    std::vector<Line> pool;
    for (int count = 0; count < 6; ++count) pool.push_back(random_line(utf8, random));
    for (unsigned at = random() % 14; at > 0; --at)
        files[0].push_back(random() % 2 == 0 ? pool[random() % pool.size()] : random_line(utf8, random));
    for (const Line& line : files[0]) {
        const unsigned edit = random() % 10;
        if (edit == 1) files[1].push_back(random_line(utf8, random));
        if (edit != 0) files[1].push_back(edit == 2 ? random_line(utf8, random) : line);
    }
}

// Some last lines without a newline; an empty one would be no line.
std::string file_bytes(const std::vector<Line>& lines, bool utf8, bool last_newline) {
    std::string bytes;
    for (const Line& line : lines) {
        for (const Glyph* glyph : line) bytes += utf8 ? glyph->utf8 : glyph->shift_jis;
        bytes += '\n';
    }
    if (!last_newline && !lines.empty() && !lines.back().empty()) bytes.pop_back();
    return bytes;
}

// The rows' marks from a unified report that shows every line: ' ' for a
// common line, and per change its pairs '|' and its leftovers.
std::string marks_from_unified(const std::string& unified, std::size_t first_lines) {
    std::string markers = unified.empty() ? std::string(first_lines, ' ') : "", marks;
    // Past the two header lines, every line but a hunk's header and "\ No newline
    // at end of file" shows a line of the files.
    for (std::size_t start = 0, end, number = 0; (end = unified.find('\n', start)) != std::string::npos; start = end + 1)
        if (number++ >= 2 && unified.compare(start, 2, "@@") != 0 && unified[start] != '\\') markers += unified[start];
    for (std::size_t at = 0; at < markers.size();) {
        const std::size_t deleted = std::min(markers.find_first_not_of('-', at), markers.size()) - at;
        const std::size_t added = std::min(markers.find_first_not_of('+', at + deleted), markers.size()) - at - deleted;
        const std::size_t paired = std::min(deleted, added);
        marks += deleted + added == 0 ? " " : std::string(paired, '|') + std::string(deleted - paired, '<') + std::string(added - paired, '>');
        at += std::max<std::size_t>(deleted + added, 1);
    }
    return marks;
}

TEST(SideBySide, GeneratedPairsLineUpInEveryWidth) {
    std::mt19937 random(25);
    e2e::ScratchDir dir;
    const int pairs = testing::case_count("VESK_SIDE_BY_SIDE_PAIRS", 2000);
    for (int count = 0; count < pairs && !HasFatalFailure(); ++count) {
        const bool utf8 = random() % 2 == 0, suppress = random() % 4 == 0;
        std::vector<Line> files[2];
        random_files(utf8, random, files);
        dir.write("a", file_bytes(files[0], utf8, random() % 5 != 0));
        dir.write("b", file_bytes(files[1], utf8, random() % 5 != 0));
        const int width = 20 + count % 181, tab_width = random() % 3 == 0 ? 1 + static_cast<int>(random() % 12) : 8;
        const char* const rules[] = {"-x", "-x", "-i", "-b", "-ib"};  // -x has no effect
        std::vector<std::string> options = {rules[random() % std::size(rules)]};
        if (utf8) options.push_back("--utf8");
        if (tab_width != 8) options.insert(options.end(), {"-t", std::to_string(tab_width)});
        std::vector<std::string> unified = options;
        options.insert(options.end(), {"--side-by-side", "--width=" + std::to_string(width)});
        if (suppress) options.push_back("--suppress-common-lines");
        unified.push_back("--unified=100000");
        for (auto* args : {&options, &unified}) args->insert(args->end(), {dir.path() + "/a", dir.path() + "/b"});

        std::string expected;
        std::size_t next[2] = {0, 0};
        for (char mark : marks_from_unified(e2e::run_in_process(unified).out, files[0].size())) {
            const Line* left = mark == '>' ? nullptr : &files[0].at(next[0]++);
            const Line* right = mark == '<' ? nullptr : &files[1].at(next[1]++);
            if (!suppress || mark != ' ') expected += reference_row(mark, left, right, width, tab_width, utf8) + "\n";
        }
        EXPECT_EQ(next[0], files[0].size());
        EXPECT_EQ(next[1], files[1].size());
        ASSERT_EQ(e2e::run_in_process(options).out, expected) << "pair " << count << ", width " << width;
        // Colour adds escape sequences and nothing else.
        if (count % 4 != 0) continue;
        options.insert(options.begin(), "--color=always");
        const std::string coloured = e2e::run_in_process(options).out;
        ASSERT_EQ(std::regex_replace(coloured, std::regex("\x1b\\[[0-9;]*m"), ""), expected) << "pair " << count;
    }
}

}  // namespace
}  // namespace vesk
