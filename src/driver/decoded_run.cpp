#include "driver/decoded_run.h"

#include <cstring>
#include <string_view>

#include "driver/encoding_detection.h"
#include "driver/file_loading.h"
#include "driver/phases.h"
#include "driver/text_file.h"
#include "driver/transcoding.h"
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
    // The text of bytes in the encoding shown for file `index`, to be read instead of file.
    void decode_into(TextFile& file, std::string_view bytes, int index);

    const CommandLine& command_;
    Output& out_;
    Diagnostics& diagnostics_;
    InputEncoding shown_[2];
    bool header_printed_ = false;
};

void DecodedRun::print_header() {
    if (!command_.options.has(OPT_FILE_NAMES) || header_printed_) return;
    header_printed_ = true;
    out_ << "<< " << command_.first_name << " (" << encoding_label(shown_[0]) << ") : " << command_.second_name
         << " (" << encoding_label(shown_[1]) << ") >>\n";
}

void DecodedRun::fail(const char* format, const char* name) {
    print_header();
    emit_error(diagnostics_, format, {name});
    end_run(2);
}

WorkVector<char> DecodedRun::read(TextFile& file, const char* name) {
    WorkVector<char> bytes;
    switch (file.read_all(bytes)) {
        case TextFile::Status::unreadable: fail("%s: not found\n", name);
        case TextFile::Status::read_error: fail("%s: read error\n", name);
        default: return bytes;
    }
}

void DecodedRun::decode_into(TextFile& file, std::string_view bytes, int index) {
    bytes.remove_prefix(byte_order_mark_length(bytes, shown_[index]));
    DecodedText decoded;
    if (!decode_text(bytes, shown_[index], decoded)) {
        emit_error(diagnostics_, "%s: the C library cannot decode this encoding\n", {encoding_label(shown_[index])});
        end_run(2);
    }
    file.read_text_from(std::move(decoded.text));
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
    WorkVector<char> first_bytes = read(first, first_name);
    WorkVector<char> second_bytes = once ? WorkVector<char>() : read(second, second_name);
    std::string_view first_view(first_bytes.data(), first_bytes.size());
    std::string_view second_view = once ? first_view : std::string_view(second_bytes.data(), second_bytes.size());
    shown_[0] = resolve_encoding(first_view, shown_[0]);
    shown_[1] = resolve_encoding(second_view, shown_[1]);
    print_header();

    Comparison comparison(command_.options, out_, diagnostics_);
    int status = 0;
    if (once && shown_[0] == shown_[1]) {
        decode_into(first, first_view, 0);
        load_file({comparison.first, diagnostics_, command_.options.flags}, first, first_name);
    } else {
        decode_into(second, second_view, 1);
        second_bytes = WorkVector<char>();
        decode_into(first, first_view, 0);
        first_bytes = WorkVector<char>();
        load_files(comparison, first, first_name, second, second_name);
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
