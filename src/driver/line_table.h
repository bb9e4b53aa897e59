// One file held in memory: the stored text of every line, its fingerprint, and
// the per-line arrays that the comparison phases fill. Lines are numbered from 0.
// Every per-line array has capacity + 1 entries; the entries from count on are 0,
// so the mark just past the last line reads as "unmatched".
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "support/error_report.h"
#include "support/memory.h"

namespace vesk {

// Match marks.
constexpr std::uint8_t MARK_UNMATCHED = 0;
constexpr std::uint8_t MARK_MATCHED = 1;
constexpr std::uint8_t MARK_LEADING_CONTEXT = 2;
constexpr std::uint8_t MARK_TRAILING_CONTEXT = 3;

// Line kinds, as the line writer takes them. The in-line display stores
// KIND_REPLACED in a line's kind; the other values are passed by the reports.
constexpr int KIND_PLAIN = 0;
constexpr int KIND_CHANGED = 1;
constexpr int KIND_UNPAIRED = 2;
constexpr int KIND_REPLACED = 4;

// Tables grow by this many lines at a time.
constexpr std::int64_t kLineTableStep = 1000;

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
    void commit_line(std::uint32_t fingerprint) { fingerprints[count++] = fingerprint; }

    std::int64_t count = 0;
    std::int64_t capacity = kLineTableStep;

    char** texts = nullptr;               // NUL-terminated; the in-line display may shorten them
    std::uint32_t* fingerprints = nullptr;
    std::uint8_t* marks = nullptr;        // MARK_*
    std::uint8_t* kinds = nullptr;        // 0, or KIND_REPLACED after the in-line display

private:
    void grow(Diagnostics& diagnostics);

    LineStore store_;
};

}  // namespace vesk
