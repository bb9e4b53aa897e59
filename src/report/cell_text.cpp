#include "report/cell_text.h"

#include <algorithm>

#include "report/char_width.h"

namespace vesk {
namespace {

constexpr char DEL = 0x7F;

bool is_control(char byte) { return static_cast<unsigned char>(byte) < 0x20 || byte == DEL; }

// Bytes that stand for themselves in one column each in either encoding: the
// common case, copied in runs.
bool is_plain(char byte) { return byte >= 0x20 && byte < DEL; }

void append(WorkVector<char>& cell, std::string_view bytes) { cell.insert(cell.end(), bytes.begin(), bytes.end()); }

}  // namespace

std::int64_t fit_to_cell(std::string_view text, const CellFormat& format, WorkVector<char>& cell,
                         std::span<std::size_t> bounds) {
    std::int64_t column = 0;
    std::size_t at = 0;
    std::size_t bound = 0;  // the first bound not yet placed
    // The bounds below `before` lie in the bytes copied from `from` to cell's end.
    auto place_bounds = [&](std::size_t before, std::size_t from) {
        for (; bound < bounds.size() && bounds[bound] < before; ++bound)
            bounds[bound] = cell.size() + (bounds[bound] > from ? bounds[bound] - from : 0);
    };
    auto place_rest = [&] {
        for (; bound < bounds.size(); ++bound) bounds[bound] = cell.size();
    };
    while (at < text.size()) {
        place_bounds(at + 1, at);
        const char byte = text[at];
        const std::int64_t room = format.columns - column;
        if (is_plain(byte)) {
            if (room == 0) break;
            const std::size_t most = std::min(text.size(), at + static_cast<std::size_t>(room));
            std::size_t end = at + 1;
            while (end < most && is_plain(text[end])) ++end;
            place_bounds(end, at);
            append(cell, text.substr(at, end - at));
            column += static_cast<std::int64_t>(end - at);
            at = end;
            continue;
        }
        if (byte == '\t') {
            const std::int64_t blanks = std::min(format.tab_width - column % format.tab_width, room);
            if (blanks <= 0) break;
            cell.insert(cell.end(), static_cast<std::size_t>(blanks), ' ');
            column += blanks;
            ++at;
            continue;
        }
        PrintedChar next = is_control(byte) ? PrintedChar{1, 2} : printed_char(text.substr(at), format.encoding);
        if (static_cast<std::int64_t>(next.width) > room) {
            place_rest();
            // Only a wide character leaves room (one column) at the edge.
            if (room > 0) cell.push_back(' ');
            return column + room;
        }
        if (is_control(byte)) {
            const char caret[] = {'^', static_cast<char>(byte ^ 0x40)};
            append(cell, std::string_view(caret, 2));
        } else {
            append(cell, text.substr(at, next.length));
        }
        column += static_cast<std::int64_t>(next.width);
        at += next.length;
    }
    place_rest();
    return column;
}

}  // namespace vesk
