#include "driver/run.h"

#include <cstring>

#include "driver/command_line.h"
#include "model/comparison.h"
#include "driver/file_loading.h"
#include "driver/identical_files.h"
#include "driver/phases.h"
#include "support/memory.h"
#include "support/run_end.h"

namespace vesk {
namespace {

void open_or_end(TextFile& file, const char* name, Diagnostics& diagnostics) {
    if (file.open(name)) return;
    emit_error(diagnostics, "%s: not found\n", {name});
    end_run(2);
}

int run_comparison(int argc, const char* const* argv, Output& out, Diagnostics& diagnostics) {
    CommandLine command = read_command_line(argc, argv, out, diagnostics);
    if (command.options.has(OPT_FILE_NAMES)) out << "<< " << command.first_name << " : " << command.second_name << " >>\n";
    if (std::strcmp(command.first_name, command.second_name) == 0) {
        emit_error(diagnostics, "same files\n");
        end_run(2);
    }
    TextFile first_file, second_file;
    open_or_end(first_file, command.first_name, diagnostics);
    open_or_end(second_file, command.second_name, diagnostics);
    if (identical_text_files(first_file, second_file)) return 0;

    Comparison comparison(command.options, out, diagnostics);
    load_files(comparison, first_file, command.first_name, second_file, command.second_name);
    return run_phases(comparison);
}

}  // namespace

int execute(int argc, const char* const* argv, Output& out, Output& err) {
    Diagnostics diagnostics(err);
    // A message to standard error is preceded by everything the report printed.
    diagnostics.output_before_errors = &out;
    int status;
    try {
        status = run_comparison(argc, argv, out, diagnostics);
    } catch (const MemoryShortage& shortage) {
        report_shortage(diagnostics, shortage);
        status = shortage.status;
    } catch (const RunEnded& ended) {
        status = ended.status;
    }
    if (out.try_flush()) return status;
    // Whatever ended the run, a report that could not be written is a failure.
    emit_error(diagnostics, "write error\n");
    return 2;
}

}  // namespace vesk
