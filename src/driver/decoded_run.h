// The run under --encoding: both files are read whole and decoded into UTF-8
// before anything is compared, and loading then reads the decoded texts. With
// -N, the header names each file's encoding after its name, as it was chosen:
// "<< a.txt (cp932) : b.txt (utf-8) >>\n". A run that ends before both files
// have been read names them as given ("auto", "utf-16").
#pragma once

#include "driver/command_line.h"

namespace vesk {

// From the -N header to the status of the comparison (0 or 1); every failure
// ends the run as in a run without --encoding.
int run_decoded_comparison(const CommandLine& command, Output& out, Diagnostics& diagnostics);

}  // namespace vesk
