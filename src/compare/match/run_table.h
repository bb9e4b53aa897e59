// The first file's run table, the matcher's own working store: for every line,
// the length of the run last recorded for it and the line of the second file
// where that run starts. It starts all zero (length 0, start 0) and lives for one
// match_lines call. Entries are stored at the matcher's index width
// (fits_32_bit_index(), matcher_tuning.h), so that no length or start is cut short.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

#include "support/error_report.h"

namespace vesk {

// What a search for one line's run records: a run of `length` lines from the
// line, starting at line `start` of the second file.
struct FoundRun {
    std::int64_t length;  // 0: the line's fingerprint is nowhere in the window
    std::int64_t start;   // meaningful when length > 0
};

// A run table read out at full width: one entry per line of the first file and
// the spare one past the last line, which no search ever writes. deferred (when
// filled in): 1 for the lines whose entry the matcher brought up to date only
// where it could be chosen; their length bounds the one the steps would leave.
struct RunTableEntries {
    std::vector<std::int64_t> lengths;
    std::vector<std::int64_t> starts;
    std::vector<std::uint8_t> deferred;
    std::vector<std::uint8_t> settled;  // the entry is no longer the matcher's (LINE_SETTLED)
};

template <class Index>
class RunTable {
public:
    // lines + 1 zero entries in each array, through alloc_or_exit: running out of
    // memory here ends the run like any other allocation.
    RunTable(Diagnostics& diagnostics, std::int64_t lines);

    std::int64_t length(std::int64_t line) const { return lengths_[line]; }
    std::int64_t start(std::int64_t line) const { return starts_[line]; }
    // Lengths and starts never exceed a line count, which Index holds.
    void set_length(std::int64_t line, std::int64_t length) { lengths_[line] = static_cast<Index>(length); }
    void set_start(std::int64_t line, std::int64_t start) { starts_[line] = static_cast<Index>(start); }

    RunTableEntries entries() const;

private:
    struct Release {
        void operator()(Index* block) const { std::free(block); }
    };
    using Entries = std::unique_ptr<Index[], Release>;

    std::int64_t entries_;
    Entries lengths_;
    Entries starts_;
};

extern template class RunTable<std::int32_t>;
extern template class RunTable<std::int64_t>;

}  // namespace vesk
