#include "driver/run.h"

#include <cstring>

#include "driver/command_line.h"
#include "driver/decoded_run.h"
#include "model/comparison.h"
#include "driver/file_loading.h"
#include "driver/identical_files.h"
#include "driver/phases.h"
#include "report/line_writer.h"
#include "report/side_by_side_report.h"
#include "support/memory.h"
#include "support/run_end.h"

namespace vesk {
namespace {

void open_or_end(TextFile& file, const char* name, Diagnostics& diagnostics) {
    if (file.open(name)) return;
    emit_error(diagnostics, "%s: not found\n", {name});
    end_run(2);
}

// One file under two names is read once, so that it can be refused as no text
// as two copies of it would be; it cannot differ from itself, but a report of
// the common lines shows every line of it.
void load_once(const CommandLine& command, TextFile& file, Output& out, Diagnostics& diagnostics) {
    Comparison comparison(command.options, out, diagnostics);
    load_file({comparison.first, diagnostics, command.options.text_rules()}, file, command.first_name);
    if (command.options.shows_common_lines()) print_side_by_side_of_itself(out, command.options, comparison.first);
}

// Returns 0 or 1.
int compare_files(const CommandLine& command, TextFile& first_file, TextFile& second_file, Output& out,
                  Diagnostics& diagnostics) {
    if (!command.options.shows_common_lines() && identical_text_files(first_file, second_file)) return 0;
    Comparison comparison(command.options, out, diagnostics);
    comparison.stamps[0] = {command.first_name, first_file.modified()};
    comparison.stamps[1] = {command.second_name, second_file.modified()};
    load_files(comparison, first_file, command.first_name, second_file, command.second_name);
    return run_phases(comparison);
}

int run_comparison(int argc, const char* const* argv, Output& out, Diagnostics& diagnostics) {
    CommandLine command = read_command_line(argc, argv, out, diagnostics);
    if (command.options.has(OPT_ENCODING)) return run_decoded_comparison(command, out, diagnostics);
    if (command.options.has(OPT_FILE_NAMES)) {
        open_header(out, command.options, HeaderColour::file_names);
        out << "<< " << command.first_name << " : " << command.second_name << " >>";
        close_header(out, command.options);
    }
    if (std::strcmp(command.first_name, command.second_name) == 0) {
        emit_error(diagnostics, "same files\n");
        end_run(2);
    }
    TextFile first_file, second_file;
    open_or_end(first_file, command.first_name, diagnostics);
    int status = 0;
    if (first_file.same_file_as(command.second_name)) {
        load_once(command, first_file, out, diagnostics);
    } else {
        open_or_end(second_file, command.second_name, diagnostics);
        status = compare_files(command, first_file, second_file, out, diagnostics);
    }
    // A file that changed after it was loaded may have lent the report lines of
    // neither version (a mapped page past a new end reads as zeros): the report
    // stands as printed, and the status says not to trust it.
    confirm_unchanged(first_file, command.first_name, diagnostics);
    confirm_unchanged(second_file, command.second_name, diagnostics);
    return status;
}

}  // namespace

int execute(int argc, const char* const* argv, Output& out, Output& err) {
    Diagnostics diagnostics(err);
    // A message to standard error is preceded by everything the report printed.
    diagnostics.output_before_errors = &out;
    if (!hold_memory_for_ending()) {
        report_shortage(diagnostics, MemoryShortage(MEMORY_FOR_ENDING));
        return 1;
    }
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
