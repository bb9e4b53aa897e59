// The settings of one run, read from the command line and read-only afterwards.
#pragma once

#include <cstdint>

#include "model/palette.h"
#include "model/input_encoding.h"
#include "model/text_rules.h"
#include "support/text_encoding.h"

namespace vesk {

constexpr std::uint32_t OPT_IGNORE_CASE = 0x01;     // -i: ASCII letters compare without case
constexpr std::uint32_t OPT_TAB_STOP = 0x02;        // -t <n>: printed tabs are expanded
constexpr std::uint32_t OPT_FILE_NAMES = 0x04;      // -N: the file-name header comes first
constexpr std::uint32_t OPT_SQUEEZE_BLANKS = 0x08;  // -b: blank runs compare as one blank
constexpr std::uint32_t OPT_CONTEXT = 0x10;         // -c[<m>]: the context report
constexpr std::uint32_t OPT_INLINE_WORDS = 0x40;    // -x: only the differing words are shown
constexpr std::uint32_t OPT_INLINE_REPLACE = 0x80;  // -X: the replacement form of -x
// --utf8: the text is UTF-8, not Shift-JIS. -i folds A-Z wherever they stand;
// words, the in-line display, tab expansion and message cuts go by UTF-8
// characters and their widths in terminal columns.
constexpr std::uint32_t OPT_UTF8 = 0x100;
// --color: the reports colour their lines, and the changed words in them, with
// the palette's escape sequences (--color=auto has decided by the time this is set).
constexpr std::uint32_t OPT_COLOR = 0x1000;
// --unified[=N]: the unified report, which patch and git apply read, in place
// of the normal report.
constexpr std::uint32_t OPT_UNIFIED = 0x200;
// --encoding=E1[,E2]: each file is decoded from its encoding into UTF-8 as it
// is loaded, and the run goes on as under --utf8 (which comes with it).
constexpr std::uint32_t OPT_ENCODING = 0x400;
// --side-by-side: the two files in two columns, every line of both, in place of
// the normal report; --width and --suppress-common-lines shape it.
constexpr std::uint32_t OPT_SIDE_BY_SIDE = 0x800;

struct Options {
    std::uint32_t flags = 0;
    // Read only when OPT_TAB_STOP is set; at least 1.
    std::int32_t tab_width = 8;
    // The -c count: 1..10 with -c, 0 without. Whether the context report runs is
    // OPT_CONTEXT's to say; this is only how much context it shows.
    std::int32_t context_lines = 0;
    // Read only when OPT_COLOR is set.
    Palette palette{};
    // Read only when OPT_ENCODING is set: the first file's, then the second's.
    InputEncoding encodings[2] = {InputEncoding::detect, InputEncoding::detect};
    // Read only when OPT_UNIFIED is set: the common lines shown around a change.
    std::int64_t unified_lines = 3;
    // --label: what the unified report's header shows for each file in place of
    // its name and time; nullptr where none was given.
    const char* labels[2] = {nullptr, nullptr};
    // Read only when OPT_SIDE_BY_SIDE is set: the rows' width in columns (20 or
    // more once the command line is read), and whether the rows of common lines
    // are left out.
    std::int64_t width = 0;
    bool suppress_common_lines = false;

    bool has(std::uint32_t flag) const { return (flags & flag) != 0; }
    Encoding encoding() const { return has(OPT_UTF8) ? Encoding::utf8 : Encoding::shift_jis; }
    TextRules text_rules() const { return {has(OPT_IGNORE_CASE), has(OPT_SQUEEZE_BLANKS), encoding()}; }
    bool context_report() const { return has(OPT_CONTEXT); }
    // Whether the report shows the lines that both files have: then even two
    // identical files have something to print.
    bool shows_common_lines() const { return has(OPT_SIDE_BY_SIDE) && !suppress_common_lines; }
    bool shows_inline() const { return has(OPT_INLINE_WORDS) || has(OPT_INLINE_REPLACE); }
};

}  // namespace vesk
