// One pair of lines through both forms of the in-line display: whatever the
// bytes, no read or write outside a line or its work arrays, and no line grows
// (nor, in word form, shrinks, unless it is read as UTF-8).
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "report/inline_display.h"

namespace {

// A line as the line table stores it: NUL-terminated, no NUL inside, at most
// kLineMapSize - 1 bytes.
std::string stored_line(const std::uint8_t* data, std::size_t size) {
    std::string line(reinterpret_cast<const char*>(data), size);
    line.resize(std::min({line.size(), std::strlen(line.c_str()), vesk::kLineMapSize - 1}));
    return line;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    constexpr std::size_t kHeader = 3;  // flags (-i, -b, --utf8) and where the first line ends (2 bytes)
    if (size < kHeader) return 0;
    std::uint32_t flags = ((data[0] & 1) != 0 ? vesk::OPT_IGNORE_CASE : 0) |
                          ((data[0] & 2) != 0 ? vesk::OPT_SQUEEZE_BLANKS : 0) |
                          ((data[0] & 4) != 0 ? vesk::OPT_UTF8 : 0);
    const bool keeps_length = (flags & vesk::OPT_UTF8) == 0;
    std::size_t body = size - kHeader;
    std::size_t first_size = (data[1] | (data[2] << 8)) % (body + 1);
    const std::string a = stored_line(data + kHeader, first_size);
    const std::string b = stored_line(data + kHeader + first_size, body - first_size);

    std::string words_a = a, words_b = b;
    vesk::show_pair_in_words(words_a.data(), words_b.data(), flags);
    std::size_t length_a = std::strlen(words_a.c_str()), length_b = std::strlen(words_b.c_str());
    if (length_a > a.size() || length_b > b.size()) std::abort();
    if (keeps_length && (length_a != a.size() || length_b != b.size())) std::abort();

    std::string replaced_a = a, replaced_b = b;
    vesk::show_pair_replaced(replaced_a.data(), replaced_b.data(), flags);
    if (std::strlen(replaced_a.c_str()) > a.size() || std::strlen(replaced_b.c_str()) > b.size()) std::abort();
    return 0;
}
