// One file held in memory: the text of every line, its fingerprint, and the
// per-line arrays that the comparison phases fill. Lines are numbered from 0.
// Every per-line array has capacity + 1 entries; the entries from count on are 0,
// so the mark just past the last line reads as "unmatched".
//
// A line's text runs through its first newline, or up to a NUL when it has no
// newline. Most lines of a mapped file stay where they lie in the file, and there
// no NUL follows their newline; every other line is a NUL-terminated copy. Once
// loaded, texts are only read.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

#include "model/mapped_file.h"
#include "support/error_report.h"
#include "support/memory.h"

namespace vesk {

// Match marks.
constexpr std::uint8_t MARK_UNMATCHED = 0;
constexpr std::uint8_t MARK_MATCHED = 1;
constexpr std::uint8_t MARK_LEADING_CONTEXT = 2;
constexpr std::uint8_t MARK_TRAILING_CONTEXT = 3;
// A matched pair whose texts differ although their fingerprints agree: the
// normal report shows it as a change of one line each.
constexpr std::uint8_t MARK_CHANGED_PAIR = 4;

// Tables grow by this many lines at a time.
constexpr std::int64_t LINE_TABLE_STEP = 1000;

// How -i reads the first byte of a stored line. A line longer than 4,095 bytes
// is stored in pieces, and a cut may fall between the two bytes of a double-byte
// character: the piece after it then opens on the trail byte, which is never
// folded, although nothing in the piece itself shows that it is one.
enum class FirstByte : std::uint8_t {
    own,    // the first byte starts a character, as in every line that is not such a piece
    trail,  // the trail byte of a character whose lead byte ended the piece before
};

class LineTable {
public:
    explicit LineTable(Diagnostics& diagnostics);
    ~LineTable();
    LineTable(const LineTable&) = delete;
    LineTable& operator=(const LineTable&) = delete;

    // Makes room for the next line (growing every array when the table is full)
    // and stores its copy as line text `count`; returns the copy. The line is
    // counted only when commit_line() gives it its fingerprint.
    const char* store_next(Diagnostics& diagnostics, std::string_view text);
    // Makes room for the next line and takes text, a line of the mapping this
    // table holds, as line text `count` where it lies.
    void take_in_place(Diagnostics& diagnostics, char* text);
    void commit_line(std::uint32_t fingerprint, FirstByte first_byte = FirstByte::own) {
        if (first_byte == FirstByte::trail) trail_first_lines_.push_back(count);
        fingerprints[count++] = fingerprint;
    }

    // Keeps the file that lines taken in place lie in, for as long as the table lives.
    void hold_mapping(MappedFile mapping) { mapping_.emplace(std::move(mapping)); }

    // The text of line `line` (through its newline, if any).
    std::string_view text(std::int64_t line) const;
    // How -i reads the first byte of line `line`.
    FirstByte first_byte(std::int64_t line) const;

    // Whether lines 0 to `line` all lie in the mapped file, and so one right after
    // the other. The lines that stay there are the file's first ones (every line
    // after them is a copy), so the last of them tells for all.
    bool in_place_through(std::int64_t line) const { return mapping_ && mapping_->holds(texts[line]); }

    // The questions every phase asks of the marks. Any mark but MARK_UNMATCHED
    // counts as matched (the context marks and MARK_CHANGED_PAIR are matched
    // lines too), and a line at or past the end counts as unmatched.
    bool is_matched(std::int64_t line) const { return line < count && marks[line] != MARK_UNMATCHED; }
    // One past the last line of the block of unmatched lines that starts at
    // `start` (start itself when that line is matched): the next matched line, or
    // the end.
    std::int64_t unmatched_end(std::int64_t start) const {
        while (start < count && marks[start] == MARK_UNMATCHED) ++start;
        return start;
    }
    // How many lines are matched.
    std::int64_t matched_count() const;

    // The room of every per-line array, less the spare entry after it.
    std::int64_t capacity() const { return capacity_; }

    std::int64_t count = 0;

    const char** texts = nullptr;  // see above
    std::uint32_t* fingerprints = nullptr;
    std::uint8_t* marks = nullptr;  // MARK_*

private:
    void grow(Diagnostics& diagnostics);

    std::int64_t capacity_ = LINE_TABLE_STEP;

    // The bytes each array has room for: the tables grow by a thousand lines at a
    // time, but their memory in doubling steps.
    struct Rooms {
        std::size_t fingerprints, texts, marks;
    };
    Rooms rooms_{};
    LineStore store_;
    std::optional<MappedFile> mapping_;
    // The lines that open on a trail byte, in ascending order: few or none.
    WorkVector<std::int64_t> trail_first_lines_;
};

// The length of a line's text: through its first newline, or up to its NUL.
std::size_t line_length(const char* text);

// The matched lines of the two files pair up in order, so there must be equally
// many in both: otherwise report_unequal_matches().
void confirm_equal_matched_counts(const LineTable& first, const LineTable& second, Diagnostics& diagnostics);
// "program error: equal lines unmatch \n", and the run ends with -1.
[[noreturn]] void report_unequal_matches(Diagnostics& diagnostics);

}  // namespace vesk
