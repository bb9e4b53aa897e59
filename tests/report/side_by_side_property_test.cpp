// --side-by-side on generated pairs (ASCII with tabs and control bytes, Japanese
// in Shift-JIS and in UTF-8 with half-width katakana and a combining mark, lines
// longer than the cell and longer than a 4,095-byte piece, every width from 20
// to 200), whole runs in-process. The test counts columns itself, from a table
// of its own characters, never through vesk's width function: every row is at
// most W columns, the gutter stands at column Lw + 2 with the mark that the
// unified report's common lines call for, no cell ends inside a character, and
// the cells read down are the two files' lines in order, cut as a simple
// reference cuts them.
#include <gtest/gtest.h>

#include <clocale>
#include <cwchar>
#include <random>
#include <string>
#include <vector>

#include "driver/run.h"
#include "e2e/e2e_harness.h"
#include "long_runs.h"

namespace vesk {
namespace {

// A character of the generated text. Widths as a terminal shows them: East Asian
// wide 2, the combining acute accent 0, the rest 1; in Shift-JIS a column per
// byte. A tab's columns depend on where it stands, and a control byte shows as
// the two characters of its caret pair.
constexpr int TAB = -1, CARET = -2;
struct Glyph {
    std::string bytes;
    int width;
};

const std::vector<Glyph> ASCII = {{"a", 1}, {"A", 1}, {"z", 1}, {"7", 1}, {" ", 1}, {" ", 1},
                                  {"-", 1}, {"\t", TAB}, {"\f", CARET}, {"\x1b", CARET}};
// あ カ 漢 Ａ ｱ ﾞ in code page 932.
const std::vector<Glyph> SHIFT_JIS = {{"\x82\xA0", 2}, {"\x83\x4A", 2}, {"\x8A\xBF", 2},
                                      {"\x82\x60", 2}, {"\xB1", 1},     {"\xDE", 1}};
// The same in UTF-8, with é and a combining acute accent (U+0301).
const std::vector<Glyph> UTF8 = {{"\xE3\x81\x82", 2}, {"\xE3\x82\xAB", 2}, {"\xE6\xBC\xA2", 2}, {"\xEF\xBC\xA1", 2},
                                 {"\xEF\xBD\xB1", 1}, {"\xEF\xBE\x9E", 1}, {"\xC3\xA9", 1},     {"\xCC\x81", 0}};

struct Alphabet {
    explicit Alphabet(bool utf8) : glyphs(ASCII) {
        const std::vector<Glyph>& japanese = utf8 ? UTF8 : SHIFT_JIS;
        glyphs.insert(glyphs.end(), japanese.begin(), japanese.end());
    }
    std::vector<Glyph> glyphs;
};

using Line = std::vector<std::size_t>;  // glyph numbers

// The cell of a line by the rules: tabs to stops counted from the cell's start
// and cut at its edge, caret pairs, a character that would cross the edge left
// out and the cut ending there, a wide one leaving a blank. Returns the columns.
int reference_cell(const Alphabet& alphabet, const Line& line, int columns, int tab_width, std::string& cell) {
    int column = 0;
    for (std::size_t number : line) {
        const Glyph& glyph = alphabet.glyphs[number];
        if (glyph.width == TAB) {
            const int blanks = std::min(tab_width - column % tab_width, columns - column);
            if (blanks <= 0) break;
            cell.append(static_cast<std::size_t>(blanks), ' ');
            column += blanks;
            continue;
        }
        const int width = glyph.width == CARET ? 2 : glyph.width;
        if (column + width > columns) {
            if (column < columns) cell += ' ';
            return columns;
        }
        cell += glyph.width == CARET ? std::string{'^', static_cast<char>(glyph.bytes[0] ^ 0x40)} : glyph.bytes;
        column += width;
    }
    return column;
}

std::string reference_row(const Alphabet& alphabet, char mark, const Line* left, const Line* right, int width,
                          int tab_width) {
    const int left_columns = (width - 3) / 2;
    std::string row;
    const int used = left != nullptr ? reference_cell(alphabet, *left, left_columns, tab_width, row) : 0;
    row.append(static_cast<std::size_t>(left_columns - used), ' ');
    row += ' ';
    row += mark;
    if (mark == '<') return row;
    row += ' ';
    if (right != nullptr) reference_cell(alphabet, *right, width - 3 - left_columns, tab_width, row);
    while (!row.empty() && row.back() == ' ') row.pop_back();
    return row;
}

// The columns of every character of a printed row, by the test's own table; -1
// for a byte that starts no character of it (a character cut apart, or a byte
// that should not reach a terminal). Returns the byte offsets where characters start.
std::vector<int> character_columns(const Alphabet& alphabet, const std::string& row, std::vector<std::size_t>& starts) {
    std::vector<int> widths;
    for (std::size_t at = 0; at < row.size();) {
        starts.push_back(at);
        std::size_t length = 0;
        int width = -1;
        if (row[at] >= 0x20 && row[at] < 0x7F) length = 1, width = 1;
        for (const Glyph& glyph : alphabet.glyphs)
            if (glyph.width >= 0 && glyph.bytes.size() > length && row.compare(at, glyph.bytes.size(), glyph.bytes) == 0)
                length = glyph.bytes.size(), width = glyph.width;
        widths.push_back(width);
        if (width < 0) return widths;
        at += length;
    }
    starts.push_back(row.size());
    return widths;
}

// --- generated pairs ---

struct Pair {
    bool utf8 = false;
    std::vector<Line> first, second;
    bool last_newline[2] = {true, true};
};

Line random_line(const Alphabet& alphabet, std::mt19937& random) {
    const unsigned kind = random() % 100;
    // Mostly short lines, some longer than any cell, a few longer than a piece.
    const std::size_t length = kind < 85 ? random() % 30 : kind < 98 ? 60 + random() % 200 : 1500 + random() % 200;
    Line line;
    for (std::size_t at = 0; at < length; ++at) line.push_back(random() % alphabet.glyphs.size());
    return line;
}

Pair random_pair(std::mt19937& random) {
    Pair pair;
    pair.utf8 = random() % 2 == 0;
    const Alphabet alphabet(pair.utf8);
    std::vector<Line> pool;
    for (int count = 0; count < 6; ++count) pool.push_back(random_line(alphabet, random));
    const int lines = static_cast<int>(random() % 14);
    for (int at = 0; at < lines; ++at)
        pair.first.push_back(random() % 2 == 0 ? pool[random() % pool.size()] : random_line(alphabet, random));
    for (const Line& line : pair.first) {
        const unsigned edit = random() % 10;
        if (edit == 0) continue;  // deleted
        if (edit == 1) pair.second.push_back(random_line(alphabet, random));  // inserted
        pair.second.push_back(edit == 2 ? random_line(alphabet, random) : line);  // changed or kept
    }
    pair.last_newline[0] = random() % 5 != 0;
    pair.last_newline[1] = random() % 5 != 0;
    return pair;
}

std::string file_bytes(const Alphabet& alphabet, const std::vector<Line>& lines, bool last_newline) {
    std::string bytes;
    for (const Line& line : lines) {
        for (std::size_t number : line) bytes += alphabet.glyphs[number].bytes;
        bytes += '\n';
    }
    // An empty last line without its newline would be no line at all.
    if (!last_newline && !lines.empty() && !lines.back().empty()) bytes.pop_back();
    return bytes;
}

std::string run_vesk(std::vector<std::string> args) {
    args.insert(args.begin(), "vesk");
    std::vector<const char*> argv;
    for (const std::string& arg : args) argv.push_back(arg.c_str());
    argv.push_back(nullptr);
    Output out, err;
    const int status = execute(static_cast<int>(args.size()), argv.data(), out, err);
    EXPECT_TRUE(status == 0 || status == 1) << err.captured();
    return out.captured();
}

// The rows' marks from the unified report with context enough for every line:
// ' ' for a common line, and per change its pairs '|' and its leftovers.
std::string marks_from_unified(const std::string& unified, std::size_t first_lines) {
    std::string markers, marks;
    std::size_t start = 0;
    // Past the two header lines, every line but a hunk's header and "\ No newline
    // at end of file" shows a line of the files.
    for (std::size_t end, number = 0; (end = unified.find('\n', start)) != std::string::npos; start = end + 1)
        if (number++ >= 2 && unified.compare(start, 2, "@@") != 0 && unified[start] != '\\') markers += unified[start];
    if (unified.empty()) markers.assign(first_lines, ' ');
    for (std::size_t at = 0; at < markers.size();) {
        if (markers[at] == ' ') {
            marks += ' ';
            ++at;
            continue;
        }
        std::size_t deleted = 0, added = 0;
        for (; at < markers.size() && markers[at] == '-'; ++at) ++deleted;
        for (; at < markers.size() && markers[at] == '+'; ++at) ++added;
        marks += std::string(std::min(deleted, added), '|');
        marks += std::string(deleted - std::min(deleted, added), '<') + std::string(added - std::min(deleted, added), '>');
    }
    return marks;
}

void check_pair(const e2e::ScratchDir& dir, const Pair& pair, int width, std::mt19937& random) {
    const Alphabet alphabet(pair.utf8);
    dir.write("a", file_bytes(alphabet, pair.first, pair.last_newline[0]));
    dir.write("b", file_bytes(alphabet, pair.second, pair.last_newline[1]));
    std::vector<std::string> options;
    if (pair.utf8) options.push_back("--utf8");
    if (random() % 5 == 0) options.push_back("-i");
    if (random() % 5 == 0) options.push_back("-b");
    int tab_width = 8;
    if (random() % 3 == 0) {
        tab_width = 1 + static_cast<int>(random() % 12);
        options.insert(options.end(), {"-t", std::to_string(tab_width)});
    }
    const bool suppress = random() % 4 == 0;
    std::vector<std::string> args = options, unified_args = options;
    args.insert(args.end(), {"--side-by-side", "--width=" + std::to_string(width)});
    if (suppress) args.push_back("--suppress-common-lines");
    unified_args.push_back("--unified=100000");
    for (auto* list : {&args, &unified_args}) list->insert(list->end(), {dir.path() + "/a", dir.path() + "/b"});

    std::string marks = marks_from_unified(run_vesk(unified_args), pair.first.size());
    const std::string rows = run_vesk(args);
    const int left_columns = (width - 3) / 2;
    std::size_t first = 0, second = 0, start = 0, row_number = 0;
    for (char mark : marks) {
        const Line* left = mark == '>' ? nullptr : &pair.first[first++];
        const Line* right = mark == '<' ? nullptr : &pair.second[second++];
        if (suppress && mark == ' ') continue;
        const std::size_t end = rows.find('\n', start);
        ASSERT_NE(end, std::string::npos) << "rows missing from row " << row_number;
        const std::string row = rows.substr(start, end - start);
        start = end + 1;
        SCOPED_TRACE("width " + std::to_string(width) + ", row " + std::to_string(row_number++) + ": " + row);
        std::vector<std::size_t> starts;
        const std::vector<int> widths = character_columns(alphabet, row, starts);
        int columns = 0, gutter_at = -1;
        for (std::size_t at = 0; at < widths.size(); ++at) {
            ASSERT_GE(widths[at], 0) << "no character starts at byte " << starts[at];
            if (columns == left_columns && gutter_at < 0 && widths[at] > 0) gutter_at = static_cast<int>(starts[at]);
            columns += widths[at];
        }
        EXPECT_LE(columns, width);
        if (columns > left_columns) {
            // The left cell ends between two characters, and the gutter follows it.
            ASSERT_GE(gutter_at, 0);
            EXPECT_EQ(row.substr(static_cast<std::size_t>(gutter_at), 2), (std::string{' ', mark}));
        } else {
            EXPECT_EQ(mark, ' ');  // only a common row may end before its gutter
        }
        EXPECT_EQ(row, reference_row(alphabet, mark, left, right, width, tab_width));
    }
    EXPECT_EQ(first, pair.first.size());
    EXPECT_EQ(second, pair.second.size());
    EXPECT_EQ(start, rows.size()) << "rows left over";
}

TEST(SideBySide, GeneratedPairsLineUpInEveryWidth) {
    const int pairs = testing::case_count("VESK_SIDE_BY_SIDE_PAIRS", 2000);
    std::mt19937 random(25);
    e2e::ScratchDir dir;
    for (int count = 0; count < pairs && !HasFatalFailure(); ++count) {
        SCOPED_TRACE("pair " + std::to_string(count));
        check_pair(dir, random_pair(random), 20 + count % 181, random);
    }
}

// The test's widths of the UTF-8 characters are those of the C library under a
// UTF-8 locale, where it has one.
TEST(SideBySide, TheTestsWidthsAreTheCLibrarysWidths) {
    const std::string previous = std::setlocale(LC_CTYPE, nullptr);
    if (std::setlocale(LC_CTYPE, "C.UTF-8") == nullptr) GTEST_SKIP() << "no C.UTF-8 locale";
    for (const Glyph& glyph : UTF8) {
        wchar_t wide = 0;
        std::mbstate_t state{};
        ASSERT_EQ(std::mbrtowc(&wide, glyph.bytes.data(), glyph.bytes.size(), &state), glyph.bytes.size());
        EXPECT_EQ(::wcwidth(wide), glyph.width) << glyph.bytes;
    }
    std::setlocale(LC_CTYPE, previous.c_str());
}

}  // namespace
}  // namespace vesk
