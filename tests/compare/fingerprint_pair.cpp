#include "compare/fingerprint_pair.h"

#include "compare/matcher.h"

namespace vesk {
namespace {

void fill(LineTable& table, Diagnostics& diagnostics, const std::vector<std::uint32_t>& lines) {
    for (std::uint32_t fingerprint : lines) {
        table.store_next(diagnostics, "");
        table.commit_line(fingerprint);
    }
}

// Every entry up to and including the spare one past the last line.
template <class T>
std::vector<T> entries(const T* array, std::int64_t count) {
    return std::vector<T>(array, array + count + 1);
}

}  // namespace

FingerprintPair::FingerprintPair(const std::vector<std::uint32_t>& first_lines,
                                 const std::vector<std::uint32_t>& second_lines) {
    fill(comparison.first, diagnostics, first_lines);
    fill(comparison.second, diagnostics, second_lines);
}

std::vector<std::uint32_t> FingerprintPair::letters(const std::string& text) {
    return std::vector<std::uint32_t>(text.begin(), text.end());
}

std::vector<std::uint8_t> FingerprintPair::marks(const LineTable& table) const {
    return entries(table.marks, table.count);
}

RunTableEntries FingerprintPair::match() {
    return match_lines(comparison.first, comparison.second, diagnostics, MatcherTuning{});
}

}  // namespace vesk
