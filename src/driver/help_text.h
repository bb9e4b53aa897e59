// The help text of -usage: 33 lines of Shift-JIS bytes, in a table ended by nullptr.
#pragma once

namespace vesk {

extern const char* const HELP_TEXT[];

// The third line of the help text, also printed after every usage error.
inline const char* usage_line() { return HELP_TEXT[2]; }

}  // namespace vesk
