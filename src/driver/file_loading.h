// Loading both files into their line tables, the whole first file first. Every
// line is stored as read (up to a NUL inside it, if any) and fingerprinted.
#pragma once

#include "driver/comparison.h"
#include "driver/text_file.h"

namespace vesk {

// Loads file (opened, named name as given on the command line) as file `index`
// of run, then closes it. Ends the run with status 2 for a file that is not text
// ("%s: no text file\n"), that could not be read at all ("%s: not found\n"), or
// whose reading failed part way ("%s: read error\n").
void load_file(Comparison& run, int index, TextFile& file, const char* name);

}  // namespace vesk
