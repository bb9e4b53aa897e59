#include "compare/fingerprint.h"

#include <algorithm>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "compare/fingerprint_sums.h"
#include "model/options.h"

namespace vesk {
namespace {

using namespace fingerprint_sums;

#if defined(__SSE2__)
// The last `length` (below 16) bytes of a line as a block padded with zeros.
__m128i padded_block(const unsigned char* bytes, std::size_t length) {
    alignas(16) unsigned char padded[16] = {};
    std::memcpy(padded, bytes, length);
    return _mm_load_si128(reinterpret_cast<const __m128i*>(padded));
}
#endif

// Counts bytes one by one up to `until`; false when the line ends (at a newline)
// or is not text, with *result set.
bool count_bytes(Sums& sums, const unsigned char* bytes, std::size_t& at, std::size_t until,
                 std::optional<std::uint32_t>& result) {
    for (; at < until; ++at) {
        if (bytes[at] == '\n') {
            result = sums.fingerprint();
            return false;
        }
        if (is_forbidden_control(bytes[at])) {
            result = std::nullopt;
            return false;
        }
        sums.count(bytes[at]);
    }
    return true;
}

// The fingerprint without -i and -b, where every byte counts as it is: blocks of
// 16 bytes without control bytes are summed at once, everything else (a block with
// a control byte up to that byte, and the last bytes) byte by byte.
std::optional<std::uint32_t> plain_fingerprint(std::string_view line) {
    Sums sums;
    std::optional<std::uint32_t> result;
    const auto* bytes = reinterpret_cast<const unsigned char*>(line.data());
    std::size_t at = 0, end = line.size();
    // The scan stops at the newline anyway; leaving it out keeps the last block clean.
    if (end > 0 && bytes[end - 1] == '\n') --end;
#if defined(__SSE2__)
    // A short line is cheaper byte by byte than through the vector set-up.
    if (end >= 16) {
        BlockSums blocks(sums);
        while (at < end) {
            std::size_t length = std::min<std::size_t>(end - at, 16);
            __m128i block = length == 16 ? _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + at))
                                         : padded_block(bytes + at, length);
            unsigned controls = control_bytes(block) & ((1u << length) - 1);
            if (controls == 0) {
                // The zeros after a short last block add nothing; the column no longer matters.
                blocks.count(block);
                at += length;
                continue;
            }
            blocks.flush();
            std::size_t through_control = at + static_cast<std::size_t>(__builtin_ctz(controls)) + 1;
            if (!count_bytes(sums, bytes, at, through_control, result)) return result;
        }
        blocks.flush();
    }
#endif
    if (!count_bytes(sums, bytes, at, end, result)) return result;
    return sums.fingerprint();
}

}  // namespace

std::optional<std::uint32_t> compute_fingerprint(std::string_view line, TextRules rules, FirstByte first_byte) {
    const bool fold = rules.fold_case;
    const bool squeeze = rules.squeeze_blanks;
    if (!fold && !squeeze) return plain_fingerprint(line);

    // UTF-8 (--utf8) has no second bytes that could look like ASCII capitals.
    const bool steps_over_second_bytes = fold && !rules.utf8();

    Sums sums;
    Sums before_blank_run;
    bool in_blank_run = false;
    // -i: this byte ends a double-byte character.
    bool second_byte = steps_over_second_bytes && first_byte == FirstByte::trail;
    for (char text_byte : line) {
        auto byte = static_cast<unsigned char>(text_byte);
        if (byte == '\n') break;
        if (is_forbidden_control(byte)) return std::nullopt;
        if (fold) {
            if (second_byte) {
                second_byte = false;
            } else if (steps_over_second_bytes && is_fold_lead_byte(byte)) {
                second_byte = true;
            } else {
                byte = fold_ascii(byte);
            }
        }
        if (squeeze && is_blank(byte)) {
            if (!in_blank_run) {
                before_blank_run = sums;
                in_blank_run = true;
                sums.count(' ');
            }
            continue;
        }
        in_blank_run = false;
        sums.count(byte);
    }
    // -b: a blank run that ends the line counts for nothing.
    if (in_blank_run) sums = before_blank_run;
    return sums.fingerprint();
}

bool fingerprint_line(LineTable& table, std::string_view line, TextRules rules, FirstByte first_byte) {
    std::optional<std::uint32_t> fingerprint = compute_fingerprint(line, rules, first_byte);
    if (!fingerprint) return false;
    table.commit_line(*fingerprint, first_byte);
    return true;
}

bool ends_on_lead_byte(std::string_view piece, FirstByte first_byte) {
    bool second_byte = first_byte == FirstByte::trail;
    for (char byte : piece) second_byte = !second_byte && is_fold_lead_byte(static_cast<unsigned char>(byte));
    return second_byte;
}

}  // namespace vesk
