#include "report/line_writer.h"

#include <algorithm>
#include <cstring>
#include <string_view>

#include "support/run_end.h"

namespace vesk {
namespace {

// The message shows the unexpanded line right-aligned in, and cut to, this width.
constexpr std::size_t kTooLongFieldWidth = 256;
constexpr char kFormFeed = '\f';

[[noreturn]] void report_too_long(Output& out, std::string_view text) {
    std::size_t shown = std::min(text.size(), kTooLongFieldWidth);
    out << "Error: ";
    out.fill(' ', kTooLongFieldWidth - shown);
    out.write(text.substr(0, shown));
    out << " ... too long line\n";
    end_run(1);
}

std::string_view prefix_of(LineKind kind, bool added, bool context_report) {
    if (kind == KIND_REPLACED) return "^\t";
    if (!context_report || kind == KIND_PLAIN) return "\t";
    if (kind == KIND_CHANGED) return "!\t";
    return added ? "+\t" : "-\t";
}

// Writes text with every form feed shown as "^L", then the line's newline
// when the part after the last form feed has none.
void write_visible(Output& out, std::string_view text) {
    std::size_t form_feed;
    while ((form_feed = text.find(kFormFeed)) != std::string_view::npos) {
        out.write(text.substr(0, form_feed));
        out << "^L";
        text.remove_prefix(form_feed + 1);
    }
    out.write(text);
    if (text.find('\n') == std::string_view::npos) out.put('\n');
}

}  // namespace

const char* expand_tabs(Output& out, std::int64_t tab_width, std::string_view text, TabExpansion& expansion) {
    // Columns are 64-bit: one tab may be worth up to 2,147,483,647 blanks.
    const auto limit = static_cast<std::int64_t>(TabExpansion::kSize);
    std::int64_t column = 0;
    for (char byte : text) {
        std::int64_t width = byte == '\t' ? tab_width - column % tab_width : 1;
        if (column + width >= limit) report_too_long(out, text);
        if (byte == '\t')
            std::memset(expansion.bytes + column, ' ', static_cast<std::size_t>(width));
        else
            expansion.bytes[column] = byte;
        column += width;
    }
    expansion.bytes[column] = '\0';
    expansion.length = static_cast<std::size_t>(column);
    return expansion.bytes;
}

void print_line(const Comparison& comparison, LineKind kind, const char* text, bool added) {
    TabExpansion expansion;
    std::string_view shown(text, line_length(text));
    if (comparison.options.has(OPT_TAB_STOP)) {
        expand_tabs(comparison.out, comparison.options.tab_width, shown, expansion);
        shown = std::string_view(expansion.bytes, expansion.length);
    }
    comparison.out << prefix_of(kind, added, comparison.options.context_lines != 0);
    write_visible(comparison.out, shown);
}

}  // namespace vesk
