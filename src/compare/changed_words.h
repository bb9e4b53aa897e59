// The changed words of a change, for the reports that colour them: the lines of
// the two files are paired, and in each pair of similar lines the tokens outside
// a longest common subsequence of their token lists are the changed ones.
//
// Pairing: with equally many lines on both sides, line k with line k; otherwise
// each line of the first file with the most similar line of the second after
// the previous pair's partner (the earliest of equally similar ones), among the
// next PAIRING_WINDOW lines; a line with no similar line there has no partner.
// Similar: the common tokens hold at least half of the characters of the two
// lines together. A pair whose token comparison would cost more than its bound
// (WORK_LIMIT steps or more than DIFFERENCE_LIMIT differing tokens) counts as
// not similar. Lines without a similar partner are coloured whole, without
// picked-out words.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "compare/word_tokens.h"

namespace vesk {

// A changed stretch of a line: bytes [start, end) of its text, made of whole
// tokens. The segments of a line are in order, apart, and never empty.
struct Segment {
    std::size_t start;
    std::size_t end;
    bool operator==(const Segment&) const = default;
};

// One pair of lines compared token by token; kept from pair to pair so that
// its buffers are reused.
class PairWords {
public:
    // How far the comparison of one pair may go: the steps of the token
    // comparison (token comparisons and diagonals visited), which bound its time
    // to a few milliseconds however long the lines, and the differing tokens,
    // which bound the memory of the path back.
    static constexpr std::size_t WORK_LIMIT = std::size_t{1} << 22;
    static constexpr std::size_t DIFFERENCE_LIMIT = 1000;

    // Compares two printed lines (without their newlines). True when they are
    // similar; then first_segments() and second_segments() hold their changed words.
    bool compare(std::string_view first, std::string_view second, const TextRules& rules,
                 FirstByte first_byte1 = FirstByte::own, FirstByte first_byte2 = FirstByte::own);
    // The same for two lines already cut into tokens by the same rules; they
    // must stay as they are while the segments are read.
    bool compare(const LineTokens& first, const LineTokens& second, bool squeeze_blanks);

    std::span<const Segment> first_segments() const { return first_segments_; }
    std::span<const Segment> second_segments() const { return second_segments_; }
    // Of the last similar pair: the characters of the common tokens on both lines
    // together, and all characters of both lines together.
    std::size_t common_chars() const { return common_chars_; }
    std::size_t total_chars() const { return total_chars_; }

private:
    bool find_common_tokens(bool squeeze_blanks);
    bool walk_diagonals(std::size_t prefix, std::size_t first_end, std::size_t second_end, bool squeeze_blanks);
    void mark_path_back(std::size_t prefix, std::size_t first_end, std::size_t second_end, std::size_t differences);
    void collect_segments();

    LineTokens own_first_, own_second_;  // the lines compare() cut itself
    const LineTokens* first_ = nullptr;
    const LineTokens* second_ = nullptr;
    std::vector<std::uint8_t> first_changed_, second_changed_;
    // The furthest point reached on each diagonal after d differences, for every
    // d: row d holds diagonals -d..d, at offset d * d.
    std::vector<std::int32_t> reached_;
    std::vector<Segment> first_segments_, second_segments_;
    std::size_t common_chars_ = 0, total_chars_ = 0;
};

// The changed words of one change: which lines pair, and the segments of every line.
class ChangedWords {
public:
    // The second-file lines a first-file line of an unequal change may pair with.
    static constexpr std::size_t PAIRING_WINDOW = 32;
    static constexpr std::size_t NO_PARTNER = SIZE_MAX;
    // Lines of up to this many tokens are first bounded by their shared keys
    // (sorting them is cheap); longer ones, far fewer, go straight to the
    // comparison, whose own limits bound them.
    static constexpr std::size_t BOUNDED_TOKENS = 4096;

    // first and second: the printed lines of the change, without their newlines.
    void find(std::span<const std::string_view> first, std::span<const std::string_view> second,
              const TextRules& rules);

    std::span<const Segment> first_segments(std::size_t line) const { return line_segments(first_, line); }
    std::span<const Segment> second_segments(std::size_t line) const { return line_segments(second_, line); }
    // The partner of first-file line `line`, or NO_PARTNER.
    std::size_t partner(std::size_t line) const { return partners_[line]; }

private:
    struct SideSegments {
        std::vector<Segment> segments;
        std::vector<std::size_t> starts;  // line k's segments are [starts[k], starts[k + 1])
    };
    static std::span<const Segment> line_segments(const SideSegments& side, std::size_t line) {
        return std::span<const Segment>(side.segments).subspan(side.starts[line], side.starts[line + 1] - side.starts[line]);
    }
    void cut(std::string_view text, LineTokens& tokens) const;
    const LineTokens& second_line(std::size_t line);
    bool similar(const LineTokens& first, const LineTokens& second);
    std::size_t most_similar(std::size_t from);
    void keep_pair(std::size_t second_line);

    PairWords pair_;
    TextRules rules_;
    std::span<const std::string_view> second_texts_;
    LineTokens first_line_;  // the first file's line being paired
    // The second file's lines last cut, line k in slot k % PAIRING_WINDOW.
    std::array<LineTokens, PAIRING_WINDOW> window_;
    std::array<std::size_t, PAIRING_WINDOW> window_lines_{};
    std::vector<std::size_t> partners_;
    SideSegments first_, second_;
};

}  // namespace vesk
