// The colours of --color: for each role of a coloured piece of output, the SGR
// parameters (digits and ';') that --palette may set, kept as the whole escape
// sequence ESC '[' SGR 'm' that the line writer prints. Keys and defaults are
// those of the --palette option.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

namespace vesk {

enum class PaletteKey : std::size_t {
    reset,          // rs: ends every coloured stretch
    file_header,    // hd: the file-name header
    block_header,   // ln: the header of a block
    deleted,        // de: a line of the first file in a difference
    added,          // ad: a line of the second file
    deleted_words,  // dw: a changed word inside a de line
    added_words,    // aw: a changed word inside an ad line
};

struct PaletteEntry {
    std::string_view key;
    std::string_view default_sgr;
};
constexpr std::array<PaletteEntry, 7> PALETTE_ENTRIES = {{
    {"rs", "0"}, {"hd", "1"}, {"ln", "36"}, {"de", "31"}, {"ad", "32"}, {"dw", "7;31"}, {"aw", "7;32"},
}};

class Palette {
public:
    Palette() {
        for (std::size_t key = 0; key < PALETTE_ENTRIES.size(); ++key) set(key, PALETTE_ENTRIES[key].default_sgr);
    }
    // sgr: digits and ';', checked by the caller.
    void set(std::size_t key, std::string_view sgr) { sequences_[key] = "\x1b[" + std::string(sgr) + "m"; }
    std::string_view operator[](PaletteKey key) const { return sequences_[static_cast<std::size_t>(key)]; }

private:
    std::array<std::string, PALETTE_ENTRIES.size()> sequences_;
};

}  // namespace vesk
