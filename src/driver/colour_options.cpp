#include "driver/colour_options.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "support/run_end.h"

namespace vesk {
namespace {

constexpr std::string_view COLOR_OPTION = "--color";
constexpr std::string_view PALETTE_OPTION = "--palette=";

bool colours_terminal(const Output& out) {
    const char* term = std::getenv("TERM");
    const char* no_color = std::getenv("NO_COLOR");
    return out.is_terminal() && term != nullptr && *term != '\0' && std::strcmp(term, "dumb") != 0 &&
           (no_color == nullptr || *no_color == '\0');
}

void read_when(std::string_view when, Options& options, const Output& out, Diagnostics& diagnostics) {
    bool colour;
    if (when == "always")
        colour = true;
    else if (when == "never")
        colour = false;
    else if (when == "auto")
        colour = colours_terminal(out);
    else {
        emit_error(diagnostics, "--color=%s: invalid; WHEN is never, always or auto\n", {std::string(when).c_str()});
        end_run(2);
    }
    options.flags = colour ? options.flags | OPT_COLOR : options.flags & ~OPT_COLOR;
}

bool is_sgr(std::string_view sgr) {
    return !sgr.empty() && sgr.find_first_not_of("0123456789;") == std::string_view::npos;
}

// One KEY=SGR entry; false when it is not one.
bool read_palette_entry(std::string_view entry, Palette& palette) {
    const std::size_t equals = entry.find('=');
    if (equals == std::string_view::npos || !is_sgr(entry.substr(equals + 1))) return false;
    for (std::size_t key = 0; key < PALETTE_ENTRIES.size(); ++key) {
        if (PALETTE_ENTRIES[key].key != entry.substr(0, equals)) continue;
        palette.set(key, entry.substr(equals + 1));
        return true;
    }
    return false;
}

void read_palette(const char* argument, std::string_view entries, Options& options, Diagnostics& diagnostics) {
    Palette palette = options.palette;
    for (std::size_t start = 0;;) {
        const std::size_t colon = std::min(entries.find(':', start), entries.size());
        if (!read_palette_entry(entries.substr(start, colon - start), palette)) {
            const std::string entry(entries.substr(start, colon - start));
            emit_error(diagnostics,
                       "%s: invalid palette entry '%s'; each is KEY=SGR, KEY one of rs hd ln de ad dw aw, SGR digits "
                       "and ';'\n",
                       {argument, entry.c_str()});
            end_run(2);
        }
        if (colon == entries.size()) break;
        start = colon + 1;
    }
    options.palette = palette;
}

}  // namespace

bool read_colour_option(const char* argument, Options& options, const Output& out, Diagnostics& diagnostics) {
    const std::string_view text(argument);
    if (text == COLOR_OPTION) {
        read_when("auto", options, out, diagnostics);
        return true;
    }
    if (text.substr(0, COLOR_OPTION.size() + 1) == "--color=") {
        read_when(text.substr(COLOR_OPTION.size() + 1), options, out, diagnostics);
        return true;
    }
    if (text.substr(0, PALETTE_OPTION.size()) == PALETTE_OPTION) {
        read_palette(argument, text.substr(PALETTE_OPTION.size()), options, diagnostics);
        return true;
    }
    return false;
}

}  // namespace vesk
