#include "report/line_writer.h"

#include <algorithm>
#include <cstring>
#include <string_view>
#include <vector>

#include "report/char_width.h"
#include "support/char_class.h"
#include "support/run_end.h"

namespace vesk {
namespace {

// The message shows the unexpanded line right-aligned in, and cut to, this many
// columns.
constexpr std::size_t TOO_LONG_FIELD_WIDTH = 256;
constexpr char FORM_FEED = '\f';

// Under UTF-8 the cut never splits a character: one that would cross it is left
// out, and the blanks make up its columns. Under Shift-JIS it cuts bytes, as a
// byte-counting field does, even between the two of a double-byte character.
[[noreturn]] void report_too_long(Output& out, std::string_view text, Encoding encoding) {
    std::size_t shown = 0, columns = 0;
    while (shown < text.size()) {
        PrintedChar next = encoding == Encoding::shift_jis ? PrintedChar{1, 1} : printed_char(text.substr(shown), encoding);
        if (columns + next.width > TOO_LONG_FIELD_WIDTH) break;
        shown += next.length;
        columns += next.width;
    }
    out << "Error: ";
    out.fill(' ', TOO_LONG_FIELD_WIDTH - columns);
    out.write(text.substr(0, shown));
    out << " ... too long line\n";
    end_run(1);
}

// Writes text with every form feed shown as "^L".
void write_form_feeds_shown(Output& out, std::string_view text) {
    std::size_t form_feed;
    while ((form_feed = text.find(FORM_FEED)) != std::string_view::npos) {
        out.write(text.substr(0, form_feed));
        out << "^L";
        text.remove_prefix(form_feed + 1);
    }
    out.write(text);
}

// Writes a line's text (a newline in it can only be its last byte) with every
// form feed shown as "^L", then a newline when the text has none.
void write_visible(Output& out, std::string_view text) {
    write_form_feeds_shown(out, text);
    if (text.empty() || text.back() != '\n') out.put('\n');
}

// How many bytes open the text before its first newline, NUL or form feed, up
// to SHORT_LINE. Lines of a few bytes (lone braces, blank lines) are common in
// long reports, and for them one pass over the bytes costs less than the calls
// that find the newline and the form feeds of any line.
constexpr std::size_t SHORT_LINE = 16;

std::size_t plain_start(const char* text) {
    std::size_t at = 0;
    while (at < SHORT_LINE && text[at] != '\n' && text[at] != '\0' && text[at] != FORM_FEED) ++at;
    return at;
}

// Blocks shorter than this are printed line by line: checking that the lines
// lie in place would cost about what it saves.
constexpr std::int64_t IN_PLACE_BLOCK = 16;

// Moves the offsets of text that `at` has reached (the boundaries of segments,
// in order) to where they stand in the expansion.
struct OffsetMap {
    std::span<std::size_t> offsets;
    std::size_t next = 0;

    void reach(std::size_t at, std::size_t expanded_at) {
        while (next < offsets.size() && offsets[next] <= at) offsets[next++] = expanded_at;
    }
};

const char* expand_mapping(Output& out, std::int64_t tab_width, std::string_view text, TabExpansion& expansion,
                           Encoding encoding, OffsetMap map) {
    // Columns are 64-bit: one tab may be worth up to 2,147,483,647 blanks.
    std::int64_t column = 0;
    std::size_t used = 0;
    for (std::size_t at = 0; at < text.size();) {
        map.reach(at, used);
        PrintedChar next = printed_char(text.substr(at), encoding);
        const bool tab = text[at] == '\t';
        std::int64_t width = tab ? tab_width - column % tab_width : static_cast<std::int64_t>(next.width);
        std::size_t bytes = tab ? static_cast<std::size_t>(width) : next.length;
        // The second test only holds for a text longer than a stored line can be.
        if (column + width >= TabExpansion::COLUMN_LIMIT || used + bytes >= TabExpansion::SIZE)
            report_too_long(out, text, encoding);
        if (tab)
            std::memset(expansion.bytes + used, ' ', bytes);
        else
            std::memcpy(expansion.bytes + used, text.data() + at, bytes);
        column += width;
        used += bytes;
        at += next.length;
    }
    map.reach(text.size(), used);
    expansion.bytes[used] = '\0';
    expansion.length = used;
    return expansion.bytes;
}

bool is_coloured(const Options& options, LineKind kind) {
    return kind != LineKind::common && options.has(OPT_COLOR);
}

std::string_view sequence_of(const Options& options, LineKind kind, bool words) {
    const bool deleted = kind == LineKind::deleted;
    if (words) return options.palette[deleted ? PaletteKey::deleted_words : PaletteKey::added_words];
    return options.palette[deleted ? PaletteKey::deleted : PaletteKey::added];
}

// The line's sequence, the prefix, the text (without its newline) with the
// words [bounds[2k], bounds[2k + 1]) in the words' colour, the reset, the
// newline; write_text writes each part of the text.
template <class WriteText>
void write_coloured(Output& out, const Options& options, PrintedLine printed, std::string_view text,
                    std::span<const std::size_t> bounds, WriteText write_text) {
    const std::string_view line_sequence = sequence_of(options, printed.kind, false);
    const std::string_view reset = options.palette[PaletteKey::reset];
    out << line_sequence << printed.prefix;
    std::size_t written = 0;
    for (std::size_t bound = 0; bound < bounds.size(); bound += 2) {
        write_text(out, text.substr(written, bounds[bound] - written));
        out << sequence_of(options, printed.kind, true);
        write_text(out, text.substr(bounds[bound], bounds[bound + 1] - bounds[bound]));
        out << reset << line_sequence;
        written = bounds[bound + 1];
    }
    write_text(out, text.substr(written));
    out << reset << '\n';
}

std::vector<std::size_t> bounds_of(std::span<const Segment> words) {
    std::vector<std::size_t> bounds;
    for (const Segment& word : words) bounds.insert(bounds.end(), {word.start, word.end});
    return bounds;
}

void write_plain(Output& out, std::string_view text) { out.write(text); }

// A coloured line: the prefix and the text in its colour, each changed word in
// the words' colour. With -t the words' offsets move with the expansion.
void print_coloured_line(const Comparison& comparison, PrintedLine printed, const char* text,
                         std::span<const Segment> words) {
    Output& out = comparison.out;
    const Options& options = comparison.options;
    std::string_view line(text, line_length(text));
    std::vector<std::size_t> bounds = bounds_of(words);
    TabExpansion expansion;
    if (options.has(OPT_TAB_STOP)) {
        expand_mapping(out, options.tab_width, line, expansion, options.encoding(), OffsetMap{bounds});
        line = std::string_view(expansion.bytes, expansion.length);
    }
    if (!line.empty() && line.back() == '\n') line.remove_suffix(1);
    write_coloured(out, options, printed, line, bounds, write_form_feeds_shown);
}

}  // namespace

void open_header(Output& out, const Options& options, HeaderColour colour) {
    if (!options.has(OPT_COLOR)) return;
    out << options.palette[colour == HeaderColour::file_names ? PaletteKey::file_header : PaletteKey::block_header];
}

void close_header(Output& out, const Options& options) {
    if (options.has(OPT_COLOR)) out << options.palette[PaletteKey::reset];
    out << '\n';
}

const char* expand_tabs(Output& out, std::int64_t tab_width, std::string_view text, TabExpansion& expansion,
                        Encoding encoding) {
    return expand_mapping(out, tab_width, text, expansion, encoding, OffsetMap{});
}

void print_line(const Comparison& comparison, PrintedLine line, const char* text, std::span<const Segment> words) {
    if (is_coloured(comparison.options, line.kind)) {
        print_coloured_line(comparison, line, text, words);
        return;
    }
    Output& out = comparison.out;
    const std::string_view prefix = line.prefix;
    if (comparison.options.has(OPT_TAB_STOP)) {
        // A line too long to expand is reported in its place, with no prefix.
        TabExpansion expansion;
        expand_tabs(out, comparison.options.tab_width, std::string_view(text, line_length(text)), expansion,
                    comparison.options.encoding());
        out << prefix;
        write_visible(out, std::string_view(expansion.bytes, expansion.length));
        return;
    }
    out << prefix;
    std::size_t plain = plain_start(text);
    if (text[plain] == '\n') {
        out.write(text, plain + 1);
        return;
    }
    out.write(text, plain);
    const char* rest = text + plain;
    write_visible(out, std::string_view(rest, line_length(rest)));
}

// Lines in place end with their newline, hold no NUL, and follow one another,
// so each one's length is where the next begins, and one search of the whole
// block finds any form feed.
bool print_in_place_lines(const Comparison& comparison, PrintedLine line, const LineTable& table, std::int64_t from,
                          std::int64_t to) {
    if (comparison.options.has(OPT_TAB_STOP) || to - from < IN_PLACE_BLOCK || !table.in_place_through(to - 1))
        return false;
    const char* const* texts = table.texts;
    const char* last = texts[to - 1];
    const char* end = last + line_length(last);
    if (std::memchr(texts[from], FORM_FEED, static_cast<std::size_t>(end - texts[from])) != nullptr) return false;
    Output& out = comparison.out;
    if (is_coloured(comparison.options, line.kind)) {
        // Each line ends with its newline, which goes after the reset.
        const std::string_view line_sequence = sequence_of(comparison.options, line.kind, false);
        const std::string_view reset = comparison.options.palette[PaletteKey::reset];
        for (std::int64_t at = from; at < to; ++at) {
            const char* next = at + 1 < to ? texts[at + 1] : end;
            out << line_sequence << line.prefix;
            out.write(texts[at], static_cast<std::size_t>(next - texts[at]) - 1);
            out << reset << '\n';
        }
        return true;
    }
    for (std::int64_t at = from; at < to; ++at) {
        const char* next = at + 1 < to ? texts[at + 1] : end;
        out << line.prefix;
        out.write(texts[at], static_cast<std::size_t>(next - texts[at]));
    }
    return true;
}

namespace {

// A whole line of one piece is printed from its place; a longer one is joined
// first, so that its words can be found by their offsets.
void print_coloured_whole_line(const Comparison& comparison, PrintedLine line, const LineTable& table,
                               WholeLine whole, std::span<const Segment> words) {
    std::string joined;
    std::string_view text = table.text(whole.first_piece);
    if (whole.pieces > 1) {
        for (std::int64_t piece = whole.first_piece; piece < whole.first_piece + whole.pieces; ++piece)
            joined += table.text(piece);
        text = joined;
    }
    const bool newline = !text.empty() && text.back() == '\n';
    if (newline) text.remove_suffix(1);
    write_coloured(comparison.out, comparison.options, line, text, bounds_of(words), write_plain);
    if (!newline) comparison.out << "\\ No newline at end of file\n";
}

}  // namespace

void print_whole_line(const Comparison& comparison, PrintedLine line, const LineTable& table, WholeLine whole,
                      std::span<const Segment> words) {
    if (is_coloured(comparison.options, line.kind)) {
        print_coloured_whole_line(comparison, line, table, whole, words);
        return;
    }
    Output& out = comparison.out;
    out << line.prefix;
    std::string_view text;
    for (std::int64_t piece = whole.first_piece; piece < whole.first_piece + whole.pieces; ++piece) {
        text = table.text(piece);
        out.write(text);
    }
    if (!text.empty() && text.back() == '\n') return;
    out << "\n\\ No newline at end of file\n";
}

namespace {

void flatten(std::span<const Segment> words, WorkVector<std::size_t>& bounds) {
    bounds.clear();
    for (const Segment& word : words) {
        bounds.push_back(word.start);
        bounds.push_back(word.end);
    }
}

}  // namespace

void RowPrinter::write_cell(const WorkVector<char>& cell, bool coloured, LineKind kind,
                            std::span<const std::size_t> bounds) {
    const std::string_view text(cell.data(), cell.size());
    if (!coloured || text.empty()) {
        out_.write(text);
        return;
    }
    const std::string_view cell_sequence = sequence_of(options_, kind, false);
    const std::string_view reset = options_.palette[PaletteKey::reset];
    out_ << cell_sequence;
    std::size_t written = 0;
    for (std::size_t bound = 0; bound + 1 < bounds.size(); bound += 2) {
        const std::size_t start = std::min(bounds[bound], text.size()), end = std::min(bounds[bound + 1], text.size());
        if (start >= end) continue;
        out_.write(text.substr(written, start - written));
        out_ << sequence_of(options_, kind, true);
        out_.write(text.substr(start, end - start));
        out_ << reset << cell_sequence;
        written = end;
    }
    out_.write(text.substr(written));
    out_ << reset;
}

void RowPrinter::print(RowMark mark, std::string_view left, std::string_view right,
                       std::span<const Segment> left_words, std::span<const Segment> right_words) {
    left_cell_.clear();
    right_cell_.clear();
    flatten(left_words, left_bounds_);
    flatten(right_words, right_bounds_);
    const std::int64_t left_used =
        mark == ROW_SECOND_ONLY ? 0 : fit_to_cell(left, layout_.left, left_cell_, left_bounds_);
    if (mark != ROW_FIRST_ONLY) {
        fit_to_cell(right, layout_.right, right_cell_, right_bounds_);
        while (!right_cell_.empty() && right_cell_.back() == ' ') right_cell_.pop_back();
    }
    if (mark == ROW_COMMON && right_cell_.empty()) {
        // Nothing but blanks after the left cell's text.
        while (!left_cell_.empty() && left_cell_.back() == ' ') left_cell_.pop_back();
        out_.write(left_cell_.data(), left_cell_.size());
        out_.put('\n');
        return;
    }
    const bool coloured = options_.has(OPT_COLOR);
    write_cell(left_cell_, coloured && mark != ROW_COMMON, LineKind::deleted, left_bounds_);
    out_.fill(' ', static_cast<std::size_t>(layout_.left.columns - left_used) + 1);
    out_.put(static_cast<char>(mark));
    if (!right_cell_.empty()) {
        out_.put(' ');
        write_cell(right_cell_, coloured && mark != ROW_COMMON, LineKind::added, right_bounds_);
    }
    out_.put('\n');
}

}  // namespace vesk
