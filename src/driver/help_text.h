// The help text of -usage: 33 lines of Shift-JIS bytes, in a table ended by nullptr.
#pragma once

namespace vesk {

extern const char* const kHelpText[];

// The third line of the help text, also printed after every usage error.
inline const char* usage_line() { return kHelpText[2]; }

}  // namespace vesk
