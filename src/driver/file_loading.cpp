#include "driver/file_loading.h"

#include <algorithm>
#include <cstring>
#include <optional>

#include "compare/fingerprint.h"
#include "driver/line_scan.h"
#include "driver/transcoding.h"
#include "model/mapped_file.h"
#include "support/run_end.h"
#include "support/work_thread.h"

namespace vesk {
namespace {

bool abandoned(const FileLoad& load) {
    return load.abandoned != nullptr && load.abandoned->load(std::memory_order_relaxed);
}

[[noreturn]] void refuse_file(Diagnostics& diagnostics, TextFile& file, const char* format, const char* name) {
    file.close();
    emit_error(diagnostics, format, {name});
    end_run(2);
}

// How -i reads the first byte of the line after line, one that opens on
// first_byte: a line cut at 4,095 bytes right after a lead byte leaves that
// character's trail byte to the next piece. UTF-8 (--utf8) has no such bytes.
FirstByte first_byte_after(std::string_view line, FirstByte first_byte, TextRules rules) {
    const bool cut = line.size() == MAX_LINE_BYTES && line.back() != '\n';
    return cut && !rules.utf8() && ends_on_lead_byte(line, first_byte) ? FirstByte::trail : FirstByte::own;
}

// Takes the lines of the mapped file that can stay where they lie, from its
// start up to the first line that cannot; returns where that line starts (the
// file's size when there is none). From there on the reader's text-mode rules
// apply, and they cut the lines before it just as they lie.
std::size_t take_lines_in_place(const FileLoad& load, const MappedFile& file, std::size_t from) {
    static_assert(MappedFile::READ_SLACK >= SCAN_OVERREAD, "a scan must not read past the mapping");
    std::size_t at = from;
    while (at < file.size() && !abandoned(load)) {
        std::optional<InPlaceLine> line =
            scan_in_place_line(file.data() + at, std::min(file.size() - at, MAX_LINE_BYTES), load.rules);
        if (!line) break;
        load.table.take_in_place(load.diagnostics, file.data() + at);
        load.table.commit_line(line->fingerprint);
        at += line->length;
    }
    return at;
}

// The UTF-8 text of a file under --encoding, in memory laid out as a mapped
// file's, and the file set to read the rest of it there.
std::optional<MappedFile> decode_file(const FileLoad& load, TextFile& file, const char* name) {
    const FileBytes& source = *load.decode;
    if (source.encoding == InputEncoding::utf8 && source.mapping != nullptr) return std::move(*source.mapping);
    std::string_view bytes = source.bytes.substr(source.mark_length);
    std::optional<MappedFile> text = MappedFile::anonymous(decoded_size_bound(bytes.size()));
    if (!text) end_run_short_of(decoded_size_bound(bytes.size()));
    std::optional<DecodedText> decoded = decode_text(bytes, source.encoding, text->data());
    if (!decoded) {
        file.close();
        emit_error(load.diagnostics, "%s: the C library cannot decode %s\n", {name, encoding_label(source.encoding)});
        end_run(2);
    }
    text->shrink_to(decoded->size);
    file.read_text_from({text->data(), text->size()});
    return text;
}

// Where the file can be mapped, the lines that need no text-mode rule stay in
// the mapping and the reader goes on from the first line that does. The mapping
// covers the size the file reported, which is only a hint: the reader goes on
// after the mapped lines in any case and reads to the file's real end, so bytes
// past that size are read like any others (a file that gained them since it was
// opened is then a changed file). Every mapped line ends with its newline, so the
// reader never splits one. A file under --encoding is its UTF-8 text instead,
// and the reader reads the rest of that.
void take_mapped_lines(const FileLoad& load, TextFile& file, const char* name) {
    if (load.decode == nullptr && !file.may_map()) return;
    std::optional<MappedFile> mapped = load.decode != nullptr ? decode_file(load, file, name)
                                                              : MappedFile::map(file.descriptor(), name, load.diagnostics.encoding);
    if (!mapped) return;
    // A UTF-8 file read where it lies begins after its byte-order mark.
    const bool own_bytes = load.decode != nullptr && load.decode->mapping != nullptr &&
                           load.decode->encoding == InputEncoding::utf8;
    std::size_t taken = take_lines_in_place(load, *mapped, own_bytes ? load.decode->mark_length : 0);
    load.table.hold_mapping(std::move(*mapped));
    if (!file.resume_at(static_cast<off_t>(taken))) refuse_file(load.diagnostics, file, "%s: read error\n", name);
}

// The file has been read: its buffer goes, and a change since it was opened ends the run.
void finish_loading(const FileLoad& load, TextFile& file, const char* name) {
    file.finish_reading();
    confirm_unchanged(file, name, load.diagnostics);
}

// The second file's loading on its own thread: its messages are kept here, and
// how it ended waits for the first file.
class BackgroundLoad {
public:
    BackgroundLoad(Comparison& comparison, TextFile& file, const char* name, const FileBytes* bytes)
        : diagnostics_(messages_),
          load_{comparison.second, diagnostics_, comparison.options.text_rules(), &abandoned_, bytes},
          file_(file),
          name_(name) {
        diagnostics_.refuse_memory = comparison.diagnostics.refuse_memory;
        diagnostics_.encoding = comparison.diagnostics.encoding;
        thread_.emplace([this] { load_file(load_, file_, name_); });
    }
    ~BackgroundLoad() { abandoned_ = true; }  // then thread_ goes, waiting for the loading
    BackgroundLoad(const BackgroundLoad&) = delete;
    BackgroundLoad& operator=(const BackgroundLoad&) = delete;

    // Waits for the loading (or, where no thread could be had, loads here);
    // passes on its messages and how it ended, as if it had ended here.
    void finish(Diagnostics& diagnostics) {
        try {
            thread_->join();
        } catch (...) {
            if (diagnostics.output_before_errors != nullptr) diagnostics.output_before_errors->try_flush();
            diagnostics.err.write(messages_.captured());
            throw;
        }
    }

private:
    Output messages_;
    Diagnostics diagnostics_;
    std::atomic<bool> abandoned_{false};
    FileLoad load_;
    TextFile& file_;
    const char* name_;
    std::optional<WorkThread> thread_;  // last: started once the rest is in place
};

}  // namespace

void load_file(const FileLoad& load, TextFile& file, const char* name) {
    take_mapped_lines(load, file, name);
    std::string_view line;
    FirstByte first_byte = FirstByte::own;  // of the next line
    while (!abandoned(load)) {
        switch (file.next_line(line)) {
            case TextFile::Status::end: return finish_loading(load, file, name);
            case TextFile::Status::unreadable: refuse_file(load.diagnostics, file, "%s: not found\n", name);
            case TextFile::Status::read_error: refuse_file(load.diagnostics, file, "%s: read error\n", name);
            case TextFile::Status::not_text: refuse_file(load.diagnostics, file, "%s: no text file\n", name);
            case TextFile::Status::line: break;
        }
        // A NUL in the line makes the fingerprint refuse it, as any forbidden control byte.
        const char* stored = load.table.store_next(load.diagnostics, line);
        if (!fingerprint_line(load.table, std::string_view(stored, line.size()), load.rules, first_byte))
            refuse_file(load.diagnostics, file, "%s: no text file\n", name);
        first_byte = first_byte_after(line, first_byte, load.rules);
    }
}

void load_files(Comparison& comparison, TextFile& first, const char* first_name, TextFile& second,
                const char* second_name, const FileBytes* first_bytes, const FileBytes* second_bytes) {
    // If the first file fails, the second one's loading is abandoned unseen.
    BackgroundLoad second_load(comparison, second, second_name, second_bytes);
    load_file({comparison.first, comparison.diagnostics, comparison.options.text_rules(), nullptr, first_bytes}, first,
              first_name);
    second_load.finish(comparison.diagnostics);
    // The first file may have changed while the second one was still loading.
    confirm_unchanged(first, first_name, comparison.diagnostics);
}

void confirm_unchanged(const TextFile& file, const char* name, Diagnostics& diagnostics) {
    if (!file.changed()) return;
    emit_error(diagnostics, "%s: read error\n", {name});
    end_run(2);
}

}  // namespace vesk
