// Finding and fingerprinting, in one pass, the lines that can stay where they lie
// in a mapped file, with the widest vector instructions the processor has.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

#include "model/text_rules.h"

namespace vesk {

// A line that can stay where it lies: it ends with a newline inside the window
// and holds no byte below 0x20 before it but tab, form feed and escape (so no
// NUL, carriage return, Ctrl-Z or byte that would make it not text). Being whole,
// never the piece after a cut, it opens on a byte of its own (FirstByte::own).
struct InPlaceLine {
    std::size_t length;  // through the newline
    std::uint32_t fingerprint;  // as compute_fingerprint() gives it under the same rules
};

// The bytes a scan may read past its window.
constexpr std::size_t SCAN_OVERREAD = 31;

// The line at bytes when it is such a line, fingerprinted under the text rules;
// nothing otherwise. It runs once per line, and takes the rules by reference:
// passed by value, their copy was written to the stack a byte pair at a time
// and read back whole, which stalled every call on the store (a fifth of the
// scan's time on a million lines).
std::optional<InPlaceLine> scan_in_place_line(const char* bytes, std::size_t window, const TextRules& rules);

// How many bytes a scan looks at in one step; scan_in_place_line() takes the
// widest one the processor has. For tests, which hold each to the same results.
enum class ScanWidth { bytes1, bytes16, bytes32 };
bool processor_has(ScanWidth width);
std::optional<InPlaceLine> scan_in_place_line_with(ScanWidth width, const char* bytes, std::size_t window,
                                                   const TextRules& rules);

}  // namespace vesk
