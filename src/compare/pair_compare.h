// The second look at a matched pair: two lines match when their fingerprints
// agree, so the reports compare their texts once more before calling them equal.
// -i compares ASCII letters without case (the second byte of a double-byte
// character is never folded; under --utf8 there is none); -b lets any run of blanks
// and tabs match any other and ignores blanks at the end of a line. A line with
// its newline always differs from the same line without it.
#pragma once

#include <cstdint>

namespace vesk {

// True when the line texts (each through its first newline, or up to a NUL)
// differ under the OPT_IGNORE_CASE, OPT_SQUEEZE_BLANKS and OPT_UTF8 bits of flags.
// Neither text is changed.
bool lines_differ(const char* first, const char* second, std::uint32_t flags);

}  // namespace vesk
