#include "report/inline_display.h"

#include <algorithm>
#include <cstring>
#include <string_view>

namespace vesk {
namespace {

constexpr std::uint8_t SHOWN = 1;
constexpr std::uint8_t HIDDEN = 0;

// Under -b a blank run is read as its last blank; returns where to stand.
std::size_t skip_blank_run(const DisplayLine& line, std::size_t position, TextRules rules) {
    if (!rules.squeeze_blanks || !line.blank(position)) return position;
    while (line.blank(position + 1)) ++position;
    return position;
}

// Whether two single positions belong to the common part of a pair.
bool positions_agree(const DisplayLine& a, std::size_t x, const DisplayLine& b, std::size_t y, TextRules rules) {
    if (!a.blank(x)) return same_character(a, x, b, y, rules.fold_case);
    return rules.squeeze_blanks ? b.blank(y) : a.symbols[x] == b.symbols[y];
}

// What one line shows, the other shows too; false when neither shows it.
bool carry_shown(std::uint8_t& x, std::uint8_t& y) {
    if (x != HIDDEN) {
        y = SHOWN;
        return true;
    }
    if (y != HIDDEN) {
        x = SHOWN;
        return true;
    }
    return false;
}

bool fits_work_arrays(const char* a, const char* b) {
    return std::strlen(a) < LINE_MAP_SIZE && std::strlen(b) < LINE_MAP_SIZE;
}

// Hides every character that is the same at the same position of both lines.
// A blank of a is never hidden, so that blank runs never vanish from view.
void hide_equal_positions(DisplayLine& a, DisplayLine& b, TextRules rules) {
    std::size_t x = 0, y = 0;
    while (x < a.length && y < b.length) {
        std::uint8_t role = a.roles[x];
        if (role != b.roles[y] || role == ROLE_SECOND) {
            ++x, ++y;
        } else if (role == ROLE_FIRST) {
            if (same_character(a, x, b, y, rules.fold_case)) a.mask[x] = a.mask[x + 1] = b.mask[y] = b.mask[y + 1] = HIDDEN;
            x += 2, y += 2;
        } else {
            x = skip_blank_run(a, x, rules);
            y = skip_blank_run(b, y, rules);
            if (!a.blank(x) && same_character(a, x, b, y, rules.fold_case)) a.mask[x] = b.mask[y] = HIDDEN;
            ++x, ++y;
        }
    }
}

// A position shown in either line is shown in both (positions only, not roles).
void merge_positions(DisplayLine& a, DisplayLine& b, TextRules rules) {
    std::size_t x = 0, y = 0;
    while (x < a.length && y < b.length) {
        x = skip_blank_run(a, x, rules);
        y = skip_blank_run(b, y, rules);
        carry_shown(a.mask[x], b.mask[y]);
        ++x, ++y;
    }
}

void show_words(DisplayLine& a, DisplayLine& b, TextRules rules) {
    std::fill_n(a.mask.begin(), a.length, SHOWN);
    std::fill_n(b.mask.begin(), b.length, SHOWN);
    hide_equal_positions(a, b, rules);
    widen_to_words(a.classes, a.length, a.mask);
    widen_to_words(b.classes, b.length, b.mask);
    merge_positions(a, b, rules);
    write_shown(a, a.length);
    write_shown(b, b.length);
}

// The differing middle of each line: from `start` for `length` positions.
struct Middle {
    std::size_t start = 0;
    std::size_t length = 0;
};

// Walks the common beginning; returns where each middle starts.
void find_common_prefix(const DisplayLine& a, const DisplayLine& b, TextRules rules, Middle& in_a,
                        Middle& in_b) {
    std::size_t x = 0, y = 0;
    while (x < a.length && y < b.length) {
        std::uint8_t role = a.roles[x];
        if (role != b.roles[y]) break;
        if (role == ROLE_FIRST) {
            if (!same_character(a, x, b, y, rules.fold_case)) break;
            x += 2, y += 2;
            continue;
        }
        x = skip_blank_run(a, x, rules);
        y = skip_blank_run(b, y, rules);
        if (!positions_agree(a, x, b, y, rules)) break;
        ++x, ++y;
    }
    in_a.start = x;
    in_b.start = y;
}

// Under -b a blank run is read backwards as its first blank, never below floor.
std::ptrdiff_t first_blank_of_run(const DisplayLine& line, std::ptrdiff_t position, std::size_t floor,
                                  TextRules rules) {
    if (!rules.squeeze_blanks || !line.blank(static_cast<std::size_t>(position))) return position;
    auto lowest = static_cast<std::ptrdiff_t>(floor);
    while (position > lowest && line.blank(static_cast<std::size_t>(position - 1)) &&
           line.roles[position - 1] == ROLE_SINGLE)
        --position;
    return position;
}

// Walks the common end back to the middles' starts; sets the middles' lengths.
void find_common_suffix(const DisplayLine& a, const DisplayLine& b, TextRules rules, Middle& in_a,
                        Middle& in_b) {
    auto x = static_cast<std::ptrdiff_t>(a.length) - 1;
    auto y = static_cast<std::ptrdiff_t>(b.length) - 1;
    auto a_floor = static_cast<std::ptrdiff_t>(in_a.start), b_floor = static_cast<std::ptrdiff_t>(in_b.start);
    while (x >= a_floor && y >= b_floor) {
        std::uint8_t role = a.roles[x];
        if (role != b.roles[y]) break;
        if (role == ROLE_SECOND) {
            if (!same_character(a, static_cast<std::size_t>(x - 1), b, static_cast<std::size_t>(y - 1), rules.fold_case))
                break;
            x -= 2, y -= 2;
            continue;
        }
        x = first_blank_of_run(a, x, in_a.start, rules);
        y = first_blank_of_run(b, y, in_b.start, rules);
        if (!positions_agree(a, static_cast<std::size_t>(x), b, static_cast<std::size_t>(y), rules)) break;
        --x, --y;
    }
    in_a.length = static_cast<std::size_t>(x - a_floor + 1);
    in_b.length = static_cast<std::size_t>(y - b_floor + 1);
}

bool replacement_applies(const DisplayLine& a, const DisplayLine& b, const Middle& in_a, const Middle& in_b,
                         TextRules rules) {
    if (in_a.length == in_b.length) return false;
    const auto limit = static_cast<std::size_t>(SHORT_MIDDLE_LIMIT);
    if (in_a.length > limit && in_b.length > limit) return false;
    // Under -b a middle that differs only in the width of its blank runs is no replacement.
    return !rules.squeeze_blanks ||
           count_blank_units(a, in_a.start, in_a.length) != count_blank_units(b, in_b.start, in_b.length);
}

void show_middle_widened(DisplayLine& line, const Middle& middle) {
    std::fill_n(line.mask.begin(), line.length, HIDDEN);
    std::fill_n(line.mask.begin() + static_cast<std::ptrdiff_t>(middle.start), middle.length, SHOWN);
    if (middle.length > 0) widen_to_words(line.classes, line.length, line.mask);
}

// Carries words that widening pushed into the common prefix or suffix of one
// line over to the other line, outwards from the middles.
void merge_around_middles(DisplayLine& a, DisplayLine& b, const Middle& in_a, const Middle& in_b) {
    auto x = static_cast<std::ptrdiff_t>(in_a.start) - 1;
    auto y = static_cast<std::ptrdiff_t>(in_b.start) - 1;
    for (; x >= 0 && y >= 0 && carry_shown(a.mask[x], b.mask[y]); --x, --y) {
    }
    std::size_t after_a = in_a.start + in_a.length, after_b = in_b.start + in_b.length;
    for (; after_a < a.length && after_b < b.length && carry_shown(a.mask[after_a], b.mask[after_b]);
         ++after_a, ++after_b) {
    }
}

// The line ends right after its last shown position from the middle on.
void cut_after_last_shown(DisplayLine& line, const Middle& middle) {
    std::size_t end = line.length;
    while (end > middle.start && line.mask[end - 1] == HIDDEN) --end;
    write_shown(line, end);
}

void show_replacement(DisplayLine& a, DisplayLine& b, const Middle& in_a, const Middle& in_b) {
    show_middle_widened(a, in_a);
    show_middle_widened(b, in_b);
    merge_around_middles(a, b, in_a, in_b);
    cut_after_last_shown(a, in_a);
    cut_after_last_shown(b, in_b);
}

}  // namespace

std::int64_t count_blank_units(const DisplayLine& line, std::size_t start, std::size_t length) {
    std::int64_t units = 0;
    std::size_t end = start + length;
    for (std::size_t position = start; position < end; ++units) {
        if (line.blank(position) && line.roles[position] == ROLE_SINGLE) {
            while (position < end && line.blank(position)) ++position;
        } else {
            ++position;
        }
    }
    return units;
}

void show_pair_in_words(char* a, char* b, TextRules rules) {
    if (!fits_work_arrays(a, b)) return;
    DisplayLine line_a(a, rules.utf8()), line_b(b, rules.utf8());
    show_words(line_a, line_b, rules);
}

bool show_pair_replaced(char* a, char* b, TextRules rules) {
    if (!fits_work_arrays(a, b)) return false;
    DisplayLine line_a(a, rules.utf8()), line_b(b, rules.utf8());
    if (line_a.length != line_b.length) {
        Middle in_a, in_b;
        find_common_prefix(line_a, line_b, rules, in_a, in_b);
        find_common_suffix(line_a, line_b, rules, in_a, in_b);
        if (replacement_applies(line_a, line_b, in_a, in_b, rules)) {
            show_replacement(line_a, line_b, in_a, in_b);
            return true;
        }
    }
    show_words(line_a, line_b, rules);
    return false;
}

namespace {

// The number of pairs from first1 / first2 on that both tables hold.
std::int64_t pairs_in_tables(const Comparison& comparison, std::int64_t count, std::int64_t first1,
                             std::int64_t first2) {
    if (first1 < 0 || first2 < 0) return 0;
    return std::max<std::int64_t>(
        0, std::min({count, comparison.first.count - first1, comparison.second.count - first2}));
}

}  // namespace

InlineRoom room_for_pairs(const Comparison& comparison, std::int64_t count, std::int64_t first1, std::int64_t first2) {
    InlineRoom room;
    room.pairs = static_cast<std::size_t>(pairs_in_tables(comparison, count, first1, first2));
    for (std::size_t t = 0; t < room.pairs; ++t)
        room.bytes += comparison.first.text(first1 + t).size() + comparison.second.text(first2 + t).size() + 2;
    return room;
}

void InlineLines::reserve(InlineRoom room) {
    bytes_.reserve(room.bytes);
    starts_.reserve(2 * room.pairs);
    replaced_.reserve(room.pairs);
}

void InlineLines::copy(const Comparison& comparison, std::int64_t count, std::int64_t first1, std::int64_t first2) {
    const InlineRoom room = room_for_pairs(comparison, count, first1, first2);
    const std::size_t pairs = room.pairs;
    bytes_.resize(room.bytes);
    starts_.clear();
    replaced_.assign(pairs, 0);
    std::size_t at = 0;
    auto append = [this, &at](std::string_view text) {
        starts_.push_back(at);
        std::memcpy(bytes_.data() + at, text.data(), text.size());
        bytes_[at + text.size()] = '\0';
        at += text.size() + 1;
    };
    for (std::size_t t = 0; t < pairs; ++t) {
        append(comparison.first.text(first1 + t));
        append(comparison.second.text(first2 + t));
    }
}

void show_inline_words(const Comparison& comparison, std::int64_t count, std::int64_t first1, std::int64_t first2,
                       InlineLines& shown) {
    shown.copy(comparison, count, first1, first2);
    for (std::int64_t t = 0; t < shown.pairs(); ++t)
        show_pair_in_words(shown.first_text(t), shown.second_text(t), comparison.options.text_rules());
}

void show_inline_replacement(const Comparison& comparison, std::int64_t count, std::int64_t first1,
                             std::int64_t first2, InlineLines& shown) {
    shown.copy(comparison, count, first1, first2);
    for (std::int64_t t = 0; t < shown.pairs(); ++t)
        if (show_pair_replaced(shown.first_text(t), shown.second_text(t), comparison.options.text_rules()))
            shown.set_replaced(t);
}

}  // namespace vesk
