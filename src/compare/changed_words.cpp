#include "compare/changed_words.h"

#include <algorithm>
#include <limits>

namespace vesk {
namespace {

// A diagonal that no path of d differences reaches inside both lines.
constexpr std::int32_t UNREACHED = -1;

// Rows of the diagonals: row d holds the furthest points of diagonals -d..d,
// where diagonal k is the points with x - y = k (x tokens of the first line's
// middle consumed, y of the second's).
struct Rows {
    std::vector<std::int32_t>& reached;
    std::int64_t first_length, second_length;

    std::int32_t at(std::int64_t d, std::int64_t k) const {
        if (k < -d || k > d) return UNREACHED;
        return reached[static_cast<std::size_t>(d * d + k + d)];
    }
    // Where step d on diagonal k starts, before its run of common tokens, and
    // whether it came down (a token of the second line) rather than across.
    struct Move {
        std::int32_t x;
        bool down;
    };
    Move move_into(std::int64_t d, std::int64_t k) const {
        const std::int32_t above = at(d - 1, k + 1), left = at(d - 1, k - 1);
        const bool down_fits = above != UNREACHED && above - (k + 1) + 1 <= second_length;
        const bool across_fits = left != UNREACHED && left + 1 <= first_length;
        if (down_fits && (!across_fits || above >= left + 1)) return {above, true};
        if (across_fits) return {left + 1, false};
        return {UNREACHED, false};
    }
};

void add_segments(const LineTokens& line, const std::vector<std::uint8_t>& changed, std::vector<Segment>& segments) {
    segments.clear();
    for (std::size_t token = 0; token < line.tokens.size(); ++token) {
        if (changed[token] == 0) continue;
        const Token& at = line.tokens[token];
        if (token > 0 && changed[token - 1] != 0)
            segments.back().end = at.end;
        else
            segments.push_back({at.start, at.end});
    }
}

std::size_t changed_chars(const LineTokens& line, const std::vector<std::uint8_t>& changed) {
    std::size_t chars = 0;
    for (std::size_t token = 0; token < line.tokens.size(); ++token)
        if (changed[token] != 0) chars += line.tokens[token].chars;
    return chars;
}

}  // namespace

bool PairWords::compare(std::string_view first, std::string_view second, const TextRules& rules,
                        FirstByte first_byte1, FirstByte first_byte2) {
    split_tokens(first, rules, own_first_, first_byte1);
    split_tokens(second, rules, own_second_, first_byte2);
    return compare(own_first_, own_second_, rules.squeeze_blanks);
}

bool PairWords::compare(const LineTokens& first, const LineTokens& second, bool squeeze_blanks) {
    first_ = &first;
    second_ = &second;
    first_changed_.assign(first.tokens.size(), 0);
    second_changed_.assign(second.tokens.size(), 0);
    first_segments_.clear();
    second_segments_.clear();
    total_chars_ = first.chars + second.chars;
    common_chars_ = 0;
    if (!find_common_tokens(squeeze_blanks)) return false;
    common_chars_ = total_chars_ - changed_chars(first, first_changed_) - changed_chars(second, second_changed_);
    if (2 * common_chars_ < total_chars_) return false;
    collect_segments();
    return true;
}

// The common tokens before and after the part that differs cost a walk each;
// only what lies between goes through the diagonals.
bool PairWords::find_common_tokens(bool squeeze_blanks) {
    const LineTokens &first = *first_, &second = *second_;
    const std::size_t first_count = first.tokens.size(), second_count = second.tokens.size();
    std::size_t prefix = 0;
    while (prefix < first_count && prefix < second_count && same_token(first, prefix, second, prefix, squeeze_blanks))
        ++prefix;
    std::size_t first_end = first_count, second_end = second_count;
    while (first_end > prefix && second_end > prefix &&
           same_token(first, first_end - 1, second, second_end - 1, squeeze_blanks)) {
        --first_end;
        --second_end;
    }
    if (prefix == first_end || prefix == second_end) {
        std::fill(first_changed_.begin() + static_cast<std::ptrdiff_t>(prefix),
                  first_changed_.begin() + static_cast<std::ptrdiff_t>(first_end), 1);
        std::fill(second_changed_.begin() + static_cast<std::ptrdiff_t>(prefix),
                  second_changed_.begin() + static_cast<std::ptrdiff_t>(second_end), 1);
        return true;
    }
    return walk_diagonals(prefix, first_end, second_end, squeeze_blanks);
}

// The greedy walk of the O(ND) difference algorithm: after d differences, the
// furthest point on every diagonal, each followed along its common tokens. The
// first d that reaches the end gives a longest common subsequence.
bool PairWords::walk_diagonals(std::size_t prefix, std::size_t first_end, std::size_t second_end,
                               bool squeeze_blanks) {
    const std::int64_t first_length = static_cast<std::int64_t>(first_end - prefix);
    const std::int64_t second_length = static_cast<std::int64_t>(second_end - prefix);
    if (first_length + second_length > std::numeric_limits<std::int32_t>::max()) return false;
    Rows rows{reached_, first_length, second_length};
    std::size_t work = 0;
    for (std::int64_t d = 0; d <= static_cast<std::int64_t>(DIFFERENCE_LIMIT); ++d) {
        reached_.resize(static_cast<std::size_t>((d + 1) * (d + 1)));
        for (std::int64_t k = -d; k <= d; k += 2) {
            std::int32_t& reached = reached_[static_cast<std::size_t>(d * d + k + d)];
            std::int64_t x = d == 0 ? 0 : rows.move_into(d, k).x;
            if (x == UNREACHED || x - k < 0 || x - k > second_length) {
                reached = UNREACHED;
                continue;
            }
            const std::int64_t run_start = x;
            std::int64_t y = x - k;
            while (x < first_length && y < second_length &&
                   same_token(*first_, prefix + static_cast<std::size_t>(x), *second_,
                              prefix + static_cast<std::size_t>(y), squeeze_blanks)) {
                ++x;
                ++y;
            }
            work += 1 + static_cast<std::size_t>(x - run_start);
            reached = static_cast<std::int32_t>(x);
            if (x == first_length && y == second_length) {
                mark_path_back(prefix, first_end, second_end, static_cast<std::size_t>(d));
                return true;
            }
        }
        if (work > WORK_LIMIT) return false;
    }
    return false;
}

// Back from the end along the path the walk took: each step of it is one token
// outside the common subsequence.
void PairWords::mark_path_back(std::size_t prefix, std::size_t first_end, std::size_t second_end,
                               std::size_t differences) {
    Rows rows{reached_, static_cast<std::int64_t>(first_end - prefix), static_cast<std::int64_t>(second_end - prefix)};
    std::int64_t k = rows.first_length - rows.second_length;
    for (auto d = static_cast<std::int64_t>(differences); d > 0; --d) {
        Rows::Move move = rows.move_into(d, k);
        if (move.down) {
            second_changed_[prefix + static_cast<std::size_t>(move.x - k - 1)] = 1;
            ++k;
        } else {
            first_changed_[prefix + static_cast<std::size_t>(move.x - 1)] = 1;
            --k;
        }
    }
}

void PairWords::collect_segments() {
    add_segments(*first_, first_changed_, first_segments_);
    add_segments(*second_, second_changed_, second_segments_);
}

void ChangedWords::find(std::span<const std::string_view> first, std::span<const std::string_view> second,
                        const TextRules& rules) {
    partners_.assign(first.size(), NO_PARTNER);
    for (SideSegments* side : {&first_, &second_}) {
        side->segments.clear();
        side->starts.assign(1, 0);
    }
    rules_ = rules;
    second_texts_ = second;
    window_lines_.fill(NO_PARTNER);
    std::size_t next_second = 0;
    for (std::size_t line = 0; line < first.size(); ++line) {
        cut(first[line], first_line_);
        const std::size_t partner = first.size() == second.size() ? line : most_similar(next_second);
        if (partner != NO_PARTNER && similar(first_line_, second_line(partner))) {
            partners_[line] = partner;
            keep_pair(partner);
            next_second = partner + 1;
        } else {
            first_.starts.push_back(first_.segments.size());
        }
    }
    second_.starts.resize(second.size() + 1, second_.segments.size());
}

void ChangedWords::cut(std::string_view text, LineTokens& tokens) const {
    split_tokens(text, rules_, tokens);
    tokens.sorted_keys.clear();
    if (tokens.tokens.size() <= BOUNDED_TOKENS) sort_keys(tokens);
}

// The lines a pairing looks at only ever move on, so the window keeps each one
// cut for as long as it can still be a candidate.
const LineTokens& ChangedWords::second_line(std::size_t line) {
    const std::size_t slot = line % PAIRING_WINDOW;
    if (window_lines_[slot] != line) {
        cut(second_texts_[line], window_[slot]);
        window_lines_[slot] = line;
    }
    return window_[slot];
}

// A pair whose tokens could not hold half the characters even if all that share
// keys were common is not compared at all: most pairs of unlike lines end there.
bool ChangedWords::similar(const LineTokens& first, const LineTokens& second) {
    const bool bounded = first.tokens.size() <= BOUNDED_TOKENS && second.tokens.size() <= BOUNDED_TOKENS;
    if (bounded && 2 * common_chars_bound(first, second) < first.chars + second.chars) return false;
    return pair_.compare(first, second, rules_.squeeze_blanks);
}

std::size_t ChangedWords::most_similar(std::size_t from) {
    const std::size_t end = std::min(second_texts_.size(), from + PAIRING_WINDOW);
    std::size_t best = NO_PARTNER;
    // Similarity as the share of common characters: best_common / best_total.
    std::size_t best_common = 0, best_total = 1;
    for (std::size_t candidate = from; candidate < end; ++candidate) {
        if (!similar(first_line_, second_line(candidate))) continue;
        const std::size_t common = pair_.common_chars(), total = std::max<std::size_t>(pair_.total_chars(), 1);
        if (best == NO_PARTNER || common * best_total > best_common * total) {
            best = candidate;
            best_common = common;
            best_total = total;
        }
    }
    return best;
}

// Records the segments of a similar pair just compared; the second file's lines
// before the partner have none.
void ChangedWords::keep_pair(std::size_t second_line) {
    first_.segments.insert(first_.segments.end(), pair_.first_segments().begin(), pair_.first_segments().end());
    first_.starts.push_back(first_.segments.size());
    second_.starts.resize(second_line + 1, second_.segments.size());
    second_.segments.insert(second_.segments.end(), pair_.second_segments().begin(), pair_.second_segments().end());
    second_.starts.push_back(second_.segments.size());
}

}  // namespace vesk
