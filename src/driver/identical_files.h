// The shortcut for two byte-identical text files, which have nothing to report.
#pragma once

#include "driver/text_file.h"

namespace vesk {

// True when both files are regular files with the same bytes and nothing in
// them could make loading refuse them: no NUL and no other control byte that a
// text file may not hold before the first Ctrl-Z, and nothing but more Ctrl-Z,
// carriage returns and line feeds after it. Such a pair loads into two equal
// tables, the matcher pairs every line with itself, and every report of it is
// empty with status 0. Both files are read to their real ends, whatever size
// they report (a file under /proc reports 0). Reads without moving the files'
// offsets; any doubt (a
// read that fails, a special file, a file that is not text) answers false, and
// the comparison then runs in full, refusals included. Read buffers that cannot
// be had are a MemoryShortage.
bool identical_text_files(const TextFile& first, const TextFile& second);

}  // namespace vesk
