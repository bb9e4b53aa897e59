// The texts of --help and --version: plain ASCII, lines under 80 columns, each
// table ended by nullptr. An extension adds its line to the options of kEnglishHelp.
#pragma once

namespace vesk {

extern const char* const kEnglishHelp[];
extern const char* const kVersionText[];

}  // namespace vesk
