#include "driver/file_loading.h"

#include <cstring>

#include "compare/fingerprint.h"
#include "support/run_end.h"

namespace vesk {
namespace {

[[noreturn]] void refuse_file(Diagnostics& diagnostics, TextFile& file, const char* format, const char* name) {
    file.close();
    emit_error(diagnostics, format, {name});
    end_run(2);
}

// A line holding a NUL is kept only up to the NUL, as a C string would hold it.
std::string_view up_to_nul(std::string_view line) {
    const void* nul = std::memchr(line.data(), '\0', line.size());
    return nul == nullptr ? line : line.substr(0, static_cast<std::size_t>(static_cast<const char*>(nul) - line.data()));
}

}  // namespace

void load_file(Comparison& run, int index, TextFile& file, const char* name) {
    LineTable& table = run.file(index);
    std::string_view piece;
    for (;;) {
        switch (file.next_line(piece)) {
            case TextFile::Status::end: file.close(); return;
            case TextFile::Status::unreadable: refuse_file(run.diagnostics, file, "%s: not found\n", name);
            case TextFile::Status::read_error: refuse_file(run.diagnostics, file, "%s: read error\n", name);
            case TextFile::Status::line: break;
        }
        std::string_view line = up_to_nul(piece);
        const char* stored = table.store_next(run.diagnostics, line);
        if (fingerprint_line(table, std::string_view(stored, line.size()), run.options.flags) != 0)
            refuse_file(run.diagnostics, file, "%s: no text file\n", name);
    }
}

}  // namespace vesk
