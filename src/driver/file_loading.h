// Loading both files into their line tables. Every line is stored as read and
// fingerprinted; a NUL or another forbidden control byte in a line, or bytes
// after the Ctrl-Z that ends the text, make the file no text. The second file
// loads on a thread of its own while the first loads on the caller's, but the
// run ends as if the whole first file had been loaded first: what the second
// file's loading reports waits until the first file has loaded, and is dropped
// if that fails.
#pragma once

#include <atomic>
#include <cstdint>
#include <string_view>

#include "model/comparison.h"
#include "model/input_encoding.h"
#include "model/mapped_file.h"
#include "driver/text_file.h"

namespace vesk {

// Under --encoding: a file's bytes as read and what to decode them from;
// loading reads their UTF-8 text instead of the file. A UTF-8 file that lies
// in `mapping` (the file mapped) is its own text from `mark_length` on, and
// takes the mapping over.
struct FileBytes {
    std::string_view bytes;
    InputEncoding encoding;
    std::size_t mark_length = 0;  // of its byte-order mark, which is not text
    MappedFile* mapping = nullptr;
};

// One file's loading: where its lines go and where its messages go. Once
// `abandoned` is set, loading stops at the next line; what it loaded is of no use.
struct FileLoad {
    LineTable& table;
    Diagnostics& diagnostics;
    TextRules rules;  // they shape the fingerprints
    const std::atomic<bool>* abandoned = nullptr;
    const FileBytes* decode = nullptr;  // under --encoding
};


// Loads file (opened, named name as given on the command line), then lets go of
// its buffer. Ends the run with status 2 for a file that is not text ("%s: no
// text file\n"), that could not be read at all ("%s: not found\n"), whose
// reading failed part way or that changed while it was read ("%s: read error\n").
void load_file(const FileLoad& load, TextFile& file, const char* name);

// Loads both files of the comparison as described above.
void load_files(Comparison& comparison, TextFile& first, const char* first_name, TextFile& second,
                const char* second_name, const FileBytes* first_bytes = nullptr,
                const FileBytes* second_bytes = nullptr);

// Ends the run with "%s: read error\n" and status 2 when file has changed since
// it was opened (TextFile::changed()): what was read of it may be of neither version.
void confirm_unchanged(const TextFile& file, const char* name, Diagnostics& diagnostics);

}  // namespace vesk
