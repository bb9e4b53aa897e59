#include "driver/english_help.h"

namespace vesk {

const char* const ENGLISH_HELP[] = {
    "Usage: vesk [-biNxX] [-c[<m>]] [-t <n>] [--utf8] <filename1> <filename2>",
    "       vesk -usage | --help | --version",
    "",
    "Compares two text files line by line and prints their differences:",
    "<filename1> is the file being compared, <filename2> the one it is compared",
    "against. Options come before the file names; letters may be joined (-bi).",
    "",
    "  -b         compare every run of blanks and tabs as one blank, and ignore",
    "             blanks and tabs at the end of a line",
    "  -i         compare the ASCII letters A to Z without regard to case",
    "  -N         print \"<< filename1 : filename2 >>\" before anything else",
    "  -x         show only the words or characters in which the lines of a",
    "             change differ (no effect with -c)",
    "  -X         as -x, but a short part replaced by a part of another length",
    "             is shown alone, on a line marked '^' (no effect with -c)",
    "  -c[<m>]    context report: up to m unchanged lines (1 to 10; 3 when m",
    "             is left out) around each change; -c5, not -c 5",
    "  -t <n>     expand the tabs of printed lines to tab stops every n bytes",
    "             (every n columns with --utf8)",
    "  --utf8     read the text as UTF-8, not Shift-JIS: -i folds A to Z",
    "             wherever they stand; -x, -X and -t count terminal columns",
    "  -usage     as the only argument: the short help in Japanese (Shift-JIS)",
    "  --help     print this help and exit",
    "  --version  print the version and the licence and exit",
    "",
    "--help and --version count wherever they stand, whatever else is wrong;",
    "given both, the first one wins.",
    "",
    "Exit status:",
    "  0    no differences, or a help text or the version was printed",
    "  1    differences were printed; also: out of memory, or a line grew to",
    "       4096 bytes or more through -t",
    "  2    a usage error, the same name twice, a file missing, unreadable, a",
    "       directory or not text, a read or write error, or an internal",
    "       failure of the matcher",
    "  255  an internal consistency check failed (should never happen)",
    "",
    "The manual: man vesk (in the source tree: man -l docs/vesk.1).",
    nullptr,
};

const char* const VERSION_TEXT[] = {
    "vesk " VESK_VERSION,
    "Copyright (c) 2026 The vesk authors",
    "MIT License: free to use, copy, change and share; no warranty.",
    nullptr,
};

}  // namespace vesk
