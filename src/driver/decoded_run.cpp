#include "driver/decoded_run.h"

#include <cstring>
#include <optional>
#include <string_view>

#include "driver/encoding_detection.h"
#include "driver/file_loading.h"
#include "driver/phases.h"
#include "driver/text_file.h"
#include "driver/transcoding.h"
#include "model/comparison.h"
#include "report/line_writer.h"
#include "support/run_end.h"

namespace vesk {
namespace {

class DecodedRun {
public:
    DecodedRun(const CommandLine& command, Output& out, Diagnostics& diagnostics)
        : command_(command), out_(out), diagnostics_(diagnostics), shown_{command.options.encodings[0],
                                                                           command.options.encodings[1]} {}

    int run();

private:
    // The header (with -N), then the message, then status 2.
    [[noreturn]] void fail(const char* format, const char* name);
    void print_header();
    void open(TextFile& file, const char* name) {
        if (!file.open(name)) fail("%s: not found\n", name);
    }
    WorkVector<char> read(TextFile& file, const char* name);
    // A file's bytes: mapped where it can be, else read.
    struct RawFile {
        std::optional<MappedFile> mapping;
        WorkVector<char> read;
        std::string_view bytes() const {
            return mapping ? std::string_view(mapping->data(), mapping->size()) : std::string_view(read.data(), read.size());
        }
    };
    RawFile raw_bytes(TextFile& file, const char* name);
    // What file `index` is decoded from: raw, in the encoding shown for it.
    FileBytes bytes_of(RawFile& raw, int index);

    const CommandLine& command_;
    Output& out_;
    Diagnostics& diagnostics_;
    InputEncoding shown_[2];
    bool header_printed_ = false;
};

void DecodedRun::print_header() {
    if (!command_.options.has(OPT_FILE_NAMES) || header_printed_) return;
    header_printed_ = true;
    open_header(out_, command_.options, HeaderColour::file_names);
    out_ << "<< " << command_.first_name << " (" << encoding_label(shown_[0]) << ") : " << command_.second_name
         << " (" << encoding_label(shown_[1]) << ") >>";
    close_header(out_, command_.options);
}

void DecodedRun::fail(const char* format, const char* name) {
    print_header();
    emit_error(diagnostics_, format, {name});
    end_run(2);
}

DecodedRun::RawFile DecodedRun::raw_bytes(TextFile& file, const char* name) {
    RawFile raw;
    if (file.may_map()) raw.mapping = MappedFile::map(file.descriptor(), name, diagnostics_.encoding);
    if (!raw.mapping) raw.read = read(file, name);
    return raw;
}

WorkVector<char> DecodedRun::read(TextFile& file, const char* name) {
    WorkVector<char> bytes;
    switch (file.read_all(bytes)) {
        case TextFile::Status::unreadable: fail("%s: not found\n", name);
        case TextFile::Status::read_error: fail("%s: read error\n", name);
        default: return bytes;
    }
}

FileBytes DecodedRun::bytes_of(RawFile& raw, int index) {
    std::string_view bytes = raw.bytes();
    return {bytes, shown_[index], byte_order_mark_length(bytes, shown_[index]), raw.mapping ? &*raw.mapping : nullptr};
}

int DecodedRun::run() {
    const char* first_name = command_.first_name;
    const char* second_name = command_.second_name;
    if (std::strcmp(first_name, second_name) == 0) {
        print_header();
        emit_error(diagnostics_, "same files\n");
        end_run(2);
    }
    TextFile first, second;
    open(first, first_name);
    // One file under two names is read once (a FIFO could not be read twice);
    // in two encodings it may still make two texts.
    const bool once = first.same_file_as(second_name);
    if (!once) open(second, second_name);
    RawFile first_raw = raw_bytes(first, first_name);
    RawFile second_raw = once ? RawFile() : raw_bytes(second, second_name);
    RawFile& second_source = once ? first_raw : second_raw;
    shown_[0] = resolve_encoding(first_raw.bytes(), shown_[0]);
    shown_[1] = resolve_encoding(second_source.bytes(), shown_[1]);
    print_header();

    Comparison comparison(command_.options, out_, diagnostics_);
    FileBytes first_text = bytes_of(first_raw, 0), second_text = bytes_of(second_source, 1);
    int status = 0;
    if (once && shown_[0] == shown_[1]) {
        load_file({comparison.first, diagnostics_, command_.options.text_rules(), nullptr, &first_text}, first, first_name);
    } else {
        // Two texts of one file: neither takes its mapping over, which both read.
        if (once) first_text.mapping = second_text.mapping = nullptr;
        comparison.stamps[0] = {first_name, first.modified()};
        comparison.stamps[1] = {second_name, once ? first.modified() : second.modified()};
        load_files(comparison, first, first_name, second, second_name, &first_text, &second_text);
        status = run_phases(comparison);
    }
    // As in every run: a file that changed while it was read leaves a report not to be trusted.
    confirm_unchanged(first, first_name, diagnostics_);
    confirm_unchanged(second, second_name, diagnostics_);
    return status;
}

}  // namespace

int run_decoded_comparison(const CommandLine& command, Output& out, Diagnostics& diagnostics) {
    return DecodedRun(command, out, diagnostics).run();
}

}  // namespace vesk
