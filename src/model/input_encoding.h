// The encodings an input file may come in under --encoding, and their names. A
// file given as `utf-16` is little-endian unless its byte-order mark says
// otherwise; `detect` (the name `auto`) leaves the choice to the file's bytes.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace vesk {

enum class InputEncoding : std::uint8_t { detect, cp932, euc_jp, utf8, utf16, utf16le, utf16be };

// The encoding a name stands for, ignoring the case of its letters: auto, cp932
// (also shift_jis and sjis), euc-jp, utf-8 or utf-16; nothing for any other.
std::optional<InputEncoding> encoding_named(std::string_view name);

// How the -N header names an encoding: auto, cp932, euc-jp, utf-8, utf-16,
// utf-16le or utf-16be.
const char* encoding_label(InputEncoding encoding);

}  // namespace vesk
