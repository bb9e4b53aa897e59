#include "model/line_table.h"

#include <string.h>  // strchrnul

#include <algorithm>
#include <cstdlib>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "support/run_end.h"

namespace vesk {
namespace {

template <class T>
T* allocate_entries(Diagnostics& diagnostics, std::int64_t entries) {
    return static_cast<T*>(alloc_or_exit(diagnostics, static_cast<std::size_t>(entries) * sizeof(T)));
}

// Resizes to entries elements within room bytes (see grow_or_exit); the new ones
// from old_entries on are cleared when asked, because the phases rely on every
// entry past the last line being 0.
template <class T>
void resize_entries(Diagnostics& diagnostics, T*& array, std::size_t& room, std::int64_t old_entries,
                    std::int64_t entries, bool clear) {
    array = static_cast<T*>(grow_or_exit(diagnostics, array, static_cast<std::size_t>(entries) * sizeof(T), room));
    if (clear) std::memset(array + old_entries, 0, static_cast<std::size_t>(entries - old_entries) * sizeof(T));
}

}  // namespace

LineTable::LineTable(Diagnostics& diagnostics) {
    std::int64_t entries = capacity_ + 1;
    fingerprints = allocate_entries<std::uint32_t>(diagnostics, entries);
    texts = allocate_entries<const char*>(diagnostics, entries);
    marks = allocate_entries<std::uint8_t>(diagnostics, entries);
    const auto size = static_cast<std::size_t>(entries);
    rooms_ = {size * sizeof(*fingerprints), size * sizeof(*texts), size * sizeof(*marks)};
}

LineTable::~LineTable() {
    std::free(fingerprints);
    std::free(texts);
    std::free(marks);
}

void LineTable::grow(Diagnostics& diagnostics) {
    std::int64_t old_entries = capacity_ + 1;
    std::int64_t entries = capacity_ + LINE_TABLE_STEP + 1;
    // Fingerprints and texts are written as lines arrive; everything else must read 0.
    resize_entries(diagnostics, fingerprints, rooms_.fingerprints, old_entries, entries, false);
    resize_entries(diagnostics, texts, rooms_.texts, old_entries, entries, false);
    resize_entries(diagnostics, marks, rooms_.marks, old_entries, entries, true);
    capacity_ += LINE_TABLE_STEP;
}

const char* LineTable::store_next(Diagnostics& diagnostics, std::string_view text) {
    if (count == capacity_) grow(diagnostics);
    texts[count] = copy_line(diagnostics, store_, text);
    return texts[count];
}

void LineTable::take_in_place(Diagnostics& diagnostics, char* text) {
    if (count == capacity_) grow(diagnostics);
    texts[count] = text;
}

std::string_view LineTable::text(std::int64_t line) const { return {texts[line], line_length(texts[line])}; }

FirstByte LineTable::first_byte(std::int64_t line) const {
    if (trail_first_lines_.empty()) return FirstByte::own;
    bool trail = std::binary_search(trail_first_lines_.begin(), trail_first_lines_.end(), line);
    return trail ? FirstByte::trail : FirstByte::own;
}

// Sixteen marks at a time, the unmatched ones summed as bytes of 1 (the count
// the library makes of them widens every byte to 64 bits first).
std::int64_t LineTable::matched_count() const {
    std::int64_t unmatched = 0;
    std::int64_t line = 0;
#if defined(__SSE2__)
    const __m128i none = _mm_set1_epi8(static_cast<char>(MARK_UNMATCHED));
    const __m128i one = _mm_set1_epi8(1);
    for (; line + 16 <= count; line += 16) {
        __m128i sixteen = _mm_loadu_si128(reinterpret_cast<const __m128i*>(marks + line));
        __m128i found = _mm_and_si128(_mm_cmpeq_epi8(sixteen, none), one);
        __m128i sums = _mm_sad_epu8(found, _mm_setzero_si128());
        unmatched += _mm_cvtsi128_si64(sums) + _mm_cvtsi128_si64(_mm_unpackhi_epi64(sums, sums));
    }
#endif
    return count - unmatched - std::count(marks + line, marks + count, MARK_UNMATCHED);
}

void confirm_equal_matched_counts(const LineTable& first, const LineTable& second, Diagnostics& diagnostics) {
    if (first.matched_count() != second.matched_count()) report_unequal_matches(diagnostics);
}

void report_unequal_matches(Diagnostics& diagnostics) {
    emit_error(diagnostics, "program error: equal lines unmatch \n");
    end_run(-1);
}

std::size_t line_length(const char* text) {
    const char* end = ::strchrnul(text, '\n');
    return static_cast<std::size_t>(end - text) + (*end == '\n' ? 1 : 0);
}

}  // namespace vesk
