// One pair of lines through both forms of the in-line display: whatever the
// bytes, no read or write outside a line or its work arrays, and the rewriting
// keeps its rules. In Shift-JIS: only a replacement cuts a line short, and never
// where two lines are as long; every byte is its own or a blank; a tab is never
// blanked; a double-byte character is kept or blanked whole. In UTF-8, where a
// hidden character leaves as many blanks as it is wide: no line grows.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "report/inline_display.h"

namespace {

// A line as the line table stores it: NUL-terminated, no NUL inside, at most
// LINE_MAP_SIZE - 1 bytes.
std::string stored_line(const std::uint8_t* data, std::size_t size) {
    std::string line(reinterpret_cast<const char*>(data), size);
    line.resize(std::min({line.size(), std::strlen(line.c_str()), vesk::LINE_MAP_SIZE - 1}));
    return line;
}

// Aborts unless rewritten is original with bytes blanked by the rules, and cut
// short only where may_cut.
void check_rewritten(const std::string& original, const char* rewritten, bool may_cut, std::uint32_t flags) {
    const std::string result = rewritten;
    if (result.size() > original.size()) std::abort();
    if ((flags & vesk::OPT_UTF8) != 0) return;
    if (!may_cut && result.size() != original.size()) std::abort();
    for (std::size_t at = 0; at < result.size(); ++at) {
        const std::size_t width = vesk::starts_double_byte(original.c_str(), at) ? 2 : 1;
        if (at + width > result.size()) std::abort();  // cut inside a character
        const bool kept = result.compare(at, width, original, at, width) == 0;
        if (!kept && (result.compare(at, width, std::string(width, ' ')) != 0 || original[at] == '\t')) std::abort();
        at += width - 1;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    constexpr std::size_t HEADER = 3;  // flags (-i, -b, --utf8) and where the first line ends (2 bytes)
    if (size < HEADER) return 0;
    std::uint32_t flags = ((data[0] & 1) != 0 ? vesk::OPT_IGNORE_CASE : 0) |
                          ((data[0] & 2) != 0 ? vesk::OPT_SQUEEZE_BLANKS : 0) |
                          ((data[0] & 4) != 0 ? vesk::OPT_UTF8 : 0);
    std::size_t body = size - HEADER;
    std::size_t first_size = (data[1] | (data[2] << 8)) % (body + 1);
    const std::string a = stored_line(data + HEADER, first_size);
    const std::string b = stored_line(data + HEADER + first_size, body - first_size);

    std::string words_a = a, words_b = b;
    vesk::show_pair_in_words(words_a.data(), words_b.data(), vesk::Options{flags}.text_rules());
    check_rewritten(a, words_a.c_str(), false, flags);
    check_rewritten(b, words_b.c_str(), false, flags);

    std::string replaced_a = a, replaced_b = b;
    const bool replaced = vesk::show_pair_replaced(replaced_a.data(), replaced_b.data(), vesk::Options{flags}.text_rules());
    // Lines as long as each other are never a replacement (UTF-8 counts columns).
    if (replaced && a.size() == b.size() && (flags & vesk::OPT_UTF8) == 0) std::abort();
    check_rewritten(a, replaced_a.c_str(), replaced, flags);
    check_rewritten(b, replaced_b.c_str(), replaced, flags);
    return 0;
}
