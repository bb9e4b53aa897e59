// The texts of --help and --version: plain ASCII, lines under 80 columns, each
// table ended by nullptr. An extension adds its line to the options of ENGLISH_HELP.
#pragma once

namespace vesk {

extern const char* const ENGLISH_HELP[];
extern const char* const VERSION_TEXT[];

}  // namespace vesk
