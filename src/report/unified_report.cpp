#include "report/unified_report.h"

#include <algorithm>
#include <cstdio>
#include <ctime>

#include "report/change_colours.h"
#include "report/line_writer.h"

namespace vesk {
namespace {

bool needs_quotes(std::string_view name) {
    return std::any_of(name.begin(), name.end(), [](char byte) {
        const auto value = static_cast<unsigned char>(byte);
        return value == ' ' || value < 0x20 || value >= 0x80 || value == '"' || value == '\\';
    });
}

// C's letter escape for byte, or 0 when it has none.
char escape_letter(unsigned char byte) {
    switch (byte) {
        case '\a': return 'a';
        case '\b': return 'b';
        case '\t': return 't';
        case '\n': return 'n';
        case '\v': return 'v';
        case '\f': return 'f';
        case '\r': return 'r';
        case '"': return '"';
        case '\\': return '\\';
        default: return 0;
    }
}

void write_file_header(const Comparison& comparison, int file) {
    Output& out = comparison.out;
    open_header(out, comparison.options, HeaderColour::file_names);
    out << (file == 0 ? "--- " : "+++ ");
    if (const char* label = comparison.options.labels[file]) {
        out << label;
    } else {
        write_quoted_name(out, comparison.stamps[file].name);
        out << '\t';
        write_file_time(out, comparison.stamps[file].modified);
    }
    close_header(out, comparison.options);
}

// One file's range in a hunk header: the 0-based first line and the count. A
// range of no lines names the line before it; a count of 1 is left out.
void write_hunk_range(Output& out, char sign, std::int64_t start, std::int64_t lines) {
    out << ' ' << sign << (lines == 0 ? start : start + 1);
    if (lines != 1) out << ',' << lines;
}

// The marks of the unified report: a blank for a common line, "-" for a
// deleted and "+" for an added one.
constexpr PrintedLine COMMON_LINE{LineKind::common, " "};
constexpr PrintedLine DELETED_LINE{LineKind::deleted, "-"};
constexpr PrintedLine ADDED_LINE{LineKind::added, "+"};

// The lines of a file from piece `from` (the start of a line) up to piece `to`;
// words_of(k) gives the changed words of the k-th.
template <class WordsOf>
void print_lines(const Comparison& comparison, PrintedLine printed, const LinePieces& pieces, std::int64_t from,
                 std::int64_t to, WordsOf words_of) {
    for (std::int64_t line_number = 0; from < to; ++line_number) {
        const WholeLine line = pieces.line_at(from);
        print_whole_line(comparison, printed, pieces.table(), line, words_of(line_number));
        from += line.pieces;
    }
}

std::span<const Segment> no_words(std::int64_t) { return {}; }

// A hunk: its first and last change, and how many common lines stand before
// the first and after the last.
struct Hunk {
    LineChange first;
    LineChange last;
    std::int64_t before;
    std::int64_t after;
};

bool same_change(const LineChange& one, const LineChange& other) {
    return one.first.first_piece == other.first.first_piece && one.second.first_piece == other.second.first_piece;
}

// walk stands just before the hunk's first change. The "-" and "+" lines of
// each change are the two sides whose changed words are picked out.
void print_hunk(const Comparison& comparison, const WholeLineView& view, ChangeWalk walk, const Hunk& hunk,
                ChangeColours& colours) {
    Output& out = comparison.out;
    const std::int64_t start1 = hunk.first.first.first_line - hunk.before;
    const std::int64_t start2 = hunk.first.second.first_line - hunk.before;
    open_header(out, comparison.options, HeaderColour::block);
    out << "@@";
    write_hunk_range(out, '-', start1, hunk.last.first.end_line() + hunk.after - start1);
    write_hunk_range(out, '+', start2, hunk.last.second.end_line() + hunk.after - start2);
    out << " @@";
    close_header(out, comparison.options);
    std::int64_t common_from = view.first.first_piece(start1);
    LineChange change;
    do {
        walk.next(change);
        colours.find(comparison, view.first, change.first, view.second, change.second);
        print_lines(comparison, COMMON_LINE, view.first, common_from, change.first.first_piece, no_words);
        print_lines(comparison, DELETED_LINE, view.first, change.first.first_piece, change.first.end_piece,
                    [&colours](std::int64_t line) { return colours.first(line); });
        print_lines(comparison, ADDED_LINE, view.second, change.second.first_piece, change.second.end_piece,
                    [&colours](std::int64_t line) { return colours.second(line); });
        common_from = change.first.end_piece;
    } while (!same_change(change, hunk.last));
    const std::int64_t end1 = hunk.last.first.end_line() + hunk.after;
    print_lines(comparison, COMMON_LINE, view.first, common_from, view.first.first_piece(end1), no_words);
}

}  // namespace

void write_quoted_name(Output& out, std::string_view name) {
    if (!needs_quotes(name)) {
        out << name;
        return;
    }
    out.put('"');
    for (char byte : name) {
        const auto value = static_cast<unsigned char>(byte);
        if (char letter = escape_letter(value)) {
            out << '\\' << letter;
        } else if (value < 0x20 || value >= 0x80) {
            const char octal[] = {'\\', static_cast<char>('0' + (value >> 6)),
                                  static_cast<char>('0' + ((value >> 3) & 7)), static_cast<char>('0' + (value & 7))};
            out.write(octal, sizeof octal);
        } else {
            out.put(byte);
        }
    }
    out.put('"');
}

void write_file_time(Output& out, timespec time) {
    std::tm local{};
    char text[64];
    std::size_t length = 0;
    if (::localtime_r(&time.tv_sec, &local) != nullptr) {
        length = std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
        length += static_cast<std::size_t>(
            std::snprintf(text + length, sizeof text - length, ".%09ld", static_cast<long>(time.tv_nsec)));
        length += std::strftime(text + length, sizeof text - length, " %z", &local);
    }
    out.write(text, length);
}

bool print_unified_report(const Comparison& comparison, const WholeLineView& view) {
    const std::int64_t context = comparison.options.unified_lines;
    ChangeWalk walk(view);
    ChangeWalk hunk_walk = walk;
    LineChange change;
    if (!walk.next(change)) return false;
    ChangeColours colours;
    write_file_header(comparison, 0);
    write_file_header(comparison, 1);
    // Before the first change every line is common.
    std::int64_t common_before = change.first.first_line;
    for (;;) {
        Hunk hunk{change, change, std::min(context, common_before), 0};
        ChangeWalk next_walk = walk;
        LineChange next;
        bool more;
        while ((more = walk.next(next)) && next.first.first_line - hunk.last.first.end_line() <= 2 * context) {
            hunk.last = next;
            next_walk = walk;
        }
        const std::int64_t common_after =
            (more ? next.first.first_line : view.first.lines()) - hunk.last.first.end_line();
        hunk.after = std::min(context, common_after);
        print_hunk(comparison, view, hunk_walk, hunk, colours);
        if (!more) return true;
        hunk_walk = next_walk;
        change = next;
        common_before = common_after;
    }
}

}  // namespace vesk
