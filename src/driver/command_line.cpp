#include "driver/command_line.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <optional>
#include <string_view>

#include "driver/colour_options.h"
#include "driver/english_help.h"
#include "driver/help_text.h"
#include "support/run_end.h"

namespace vesk {
namespace {

// The -c count when no number follows the c.
constexpr std::int32_t DEFAULT_CONTEXT_LINES = 3;
constexpr std::int32_t MAX_CONTEXT_LINES = 10;

[[noreturn]] void usage_error(Diagnostics& diagnostics) {
    emit_error(diagnostics, "%s\n", {usage_line()});
    end_run(2);
}

// Extensions are long options only: the option letters refuse every "--..."
// argument, so none of them changes the meaning of a command that works without it.
struct LongOption {
    const char* name;
    // Printed, with status 0, wherever the option stands and whatever else is wrong;
    // nullptr for a switch, which sets `flag` where the options stand.
    const char* const* answer;
    std::uint32_t flag;
};

constexpr LongOption LONG_OPTIONS[] = {
    {"--help", ENGLISH_HELP, 0},
    {"--version", VERSION_TEXT, 0},
    {"--utf8", nullptr, OPT_UTF8},
    {"--side-by-side", nullptr, OPT_SIDE_BY_SIDE},
};

const LongOption* find_long_option(const char* argument) {
    for (const LongOption& option : LONG_OPTIONS)
        if (std::strcmp(argument, option.name) == 0) return &option;
    return nullptr;
}

[[noreturn]] void print_text(Output& out, const char* const* text) {
    for (const char* const* line = text; *line != nullptr; ++line) out << *line << '\n';
    end_run(0);
}

// The first of --help and --version anywhere among the arguments is the whole run.
void answer_long_option(int argc, const char* const* argv, Output& out) {
    for (int next = 1; next < argc; ++next) {
        const LongOption* option = find_long_option(argv[next]);
        if (option != nullptr && option->answer != nullptr) print_text(out, option->answer);
    }
}

void read_tab_stop(const char* width, Options& options, Diagnostics& diagnostics) {
    if (width == nullptr) {
        emit_error(diagnostics, "tabstop number missing\n");
        end_run(2);
    }
    options.tab_width = read_decimal(width);
    if (options.tab_width < 1) {
        emit_error(diagnostics, "tabstop number error\n");
        end_run(2);
    }
    options.flags |= OPT_TAB_STOP;
}

void read_context(const char* argument, Options& options, Diagnostics& diagnostics) {
    options.flags |= OPT_CONTEXT;
    const char* count = argument + 2;  // after "-c"
    if (*count == '\0') {
        options.context_lines = DEFAULT_CONTEXT_LINES;
        return;
    }
    options.context_lines = read_decimal(count);
    if (options.context_lines <= 0 || options.context_lines > MAX_CONTEXT_LINES) {
        emit_error(diagnostics, "%s: invalid -c option number", {count});
        end_run(2);
    }
}

[[noreturn]] void encoding_error(const char* argument, Diagnostics& diagnostics) {
    emit_error(diagnostics, "%s: unknown encoding (use auto, cp932, shift_jis, sjis, euc-jp, utf-8 or utf-16, or two of them as E1,E2)\n",
               {argument});
    end_run(2);
}

// --encoding=E for both files, or --encoding=E1,E2 for each.
void read_encodings(const char* argument, Options& options, Diagnostics& diagnostics) {
    const char* value = std::strchr(argument, '=');
    if (value == nullptr) encoding_error(argument, diagnostics);
    std::string_view names(value + 1);
    std::size_t comma = names.find(',');
    std::optional<InputEncoding> first = encoding_named(names.substr(0, comma));
    std::optional<InputEncoding> second = comma == std::string_view::npos ? first : encoding_named(names.substr(comma + 1));
    if (!first || !second) encoding_error(argument, diagnostics);
    options.encodings[0] = *first;
    options.encodings[1] = *second;
    options.flags |= OPT_ENCODING | OPT_UTF8;
    diagnostics.encoding = Encoding::utf8;
}

bool is_encoding_option(const char* argument) {
    return std::strncmp(argument, "--encoding", 10) == 0 && (argument[10] == '=' || argument[10] == '\0');
}

std::uint32_t letter_flag(char letter) {
    switch (letter) {
        case 'b': return OPT_SQUEEZE_BLANKS;
        case 'x': return OPT_INLINE_WORDS;
        case 'X': return OPT_INLINE_REPLACE;
        case 'N': return OPT_FILE_NAMES;
        case 'i': return OPT_IGNORE_CASE;
        default: return 0;
    }
}

void read_letters(const char* argument, Options& options, Diagnostics& diagnostics) {
    for (const char* letter = argument + 1; *letter != '\0'; ++letter) {
        std::uint32_t flag = letter_flag(*letter);
        if (flag == 0) {
            emit_error(diagnostics, "%s: invalid option", {argument});
            end_run(2);
        }
        options.flags |= flag;
    }
}

// --unified, --unified=N and --label, which carry values. They stand among the
// options, and -c and --unified, two reports, exclude each other.
constexpr std::string_view UNIFIED = "--unified";
constexpr std::string_view LABEL = "--label";
// More context than any file has lines; small enough that twice it, and ten
// times it and a digit, still fit.
constexpr std::int64_t MOST_UNIFIED_LINES = std::int64_t{1} << 59;

// Whether argument is name=VALUE.
bool has_value(std::string_view argument, std::string_view name) {
    return argument.size() > name.size() && argument.starts_with(name) && argument[name.size()] == '=';
}

[[noreturn]] void option_error(Diagnostics& diagnostics, const char* format, const char* argument = "") {
    emit_error(diagnostics, format, {argument});
    end_run(2);
}

void refuse_both_reports(const Options& options, Diagnostics& diagnostics) {
    if (options.has(OPT_CONTEXT) && options.has(OPT_UNIFIED))
        option_error(diagnostics, "-c and --unified cannot be given together\n");
    if (options.has(OPT_CONTEXT) && options.has(OPT_SIDE_BY_SIDE))
        option_error(diagnostics, "-c and --side-by-side cannot be given together\n");
    if (options.has(OPT_UNIFIED) && options.has(OPT_SIDE_BY_SIDE))
        option_error(diagnostics, "--unified and --side-by-side cannot be given together\n");
}

// --width=W and --suppress-common-lines, which shape the side-by-side report.
constexpr std::string_view WIDTH = "--width";
constexpr std::string_view SUPPRESS_COMMON_LINES = "--suppress-common-lines";
// The narrowest rows that still hold a few characters on each side; and a bound
// far past any screen, so that a mistyped width cannot fill a disk with padding.
constexpr std::int64_t LEAST_WIDTH = 20;
constexpr std::int64_t MOST_WIDTH = 1000000;
// Rows for a file or a pipe, where no screen tells the width.
constexpr std::int64_t WIDTH_WITHOUT_TERMINAL = 130;

void read_width(const char* argument, Options& options, Diagnostics& diagnostics) {
    const char* digits = argument + WIDTH.size() + 1;  // after "--width="
    std::int64_t width = 0;
    for (const char* digit = digits; *digit != '\0'; ++digit) {
        if (*digit < '0' || *digit > '9') width = -1;
        if (width < 0) break;
        width = std::min(width * 10 + (*digit - '0'), MOST_WIDTH + 1);
    }
    if (*digits == '\0' || width < LEAST_WIDTH || width > MOST_WIDTH)
        option_error(diagnostics, "%s: invalid width (a number of columns from 20 to 1000000)\n", argument);
    options.width = width;
}

bool read_side_by_side_option(const char* argument, Options& options, Diagnostics& diagnostics) {
    if (argument == SUPPRESS_COMMON_LINES) {
        options.suppress_common_lines = true;
        return true;
    }
    if (argument == WIDTH) option_error(diagnostics, "--width: give the width as --width=W\n");
    if (!has_value(argument, WIDTH)) return false;
    read_width(argument, options, diagnostics);
    return true;
}

// The width of the side-by-side rows, once every option is read: --width's, or
// the terminal's when standard output is one (at least the narrowest width).
void settle_side_by_side(const Output& out, Options& options, Diagnostics& diagnostics) {
    if (options.suppress_common_lines && !options.has(OPT_SIDE_BY_SIDE))
        option_error(diagnostics, "--suppress-common-lines needs --side-by-side\n");
    if (options.width != 0) return;
    const std::int64_t terminal = out.terminal_columns();
    options.width = terminal == 0 ? WIDTH_WITHOUT_TERMINAL : std::max(terminal, LEAST_WIDTH);
}

// The N of --unified=N: decimal digits only, 0 or more.
void read_unified(const char* argument, Options& options, Diagnostics& diagnostics) {
    options.flags |= OPT_UNIFIED;
    options.unified_lines = 3;
    const char* count = argument + UNIFIED.size();
    if (*count == '\0') return;
    ++count;  // the "="
    if (*count == '\0') option_error(diagnostics, "%s: invalid number of lines\n", argument);
    std::int64_t lines = 0;
    for (; *count != '\0'; ++count) {
        if (*count < '0' || *count > '9') option_error(diagnostics, "%s: invalid number of lines\n", argument);
        // Once at the cap, more digits change nothing (and cannot overflow).
        lines = std::min(lines * 10 + (*count - '0'), MOST_UNIFIED_LINES);
    }
    options.unified_lines = lines;
}

// Reads --unified[=N] or --label[=L] (L possibly the next argument, as `next`
// says); returns false for any other argument. Moves next past a label taken
// from the next argument.
bool read_valued_option(int argc, const char* const* argv, int& next, Options& options, Diagnostics& diagnostics) {
    const std::string_view argument = argv[next];
    if (argument == UNIFIED || has_value(argument, UNIFIED)) {
        read_unified(argv[next], options, diagnostics);
        return true;
    }
    const char* label = nullptr;
    if (argument == LABEL) {
        if (next + 1 == argc) option_error(diagnostics, "--label: label missing\n");
        label = argv[++next];
    } else if (has_value(argument, LABEL)) {
        label = argv[next] + LABEL.size() + 1;
    } else {
        return false;
    }
    if (options.labels[1] != nullptr) option_error(diagnostics, "--label: given more than twice\n");
    options.labels[options.labels[0] == nullptr ? 0 : 1] = label;
    return true;
}

}  // namespace

std::int32_t read_decimal(const char* text) {
    // Past 2^31 every further digit changes nothing: the result is at a limit.
    constexpr std::int64_t SATURATED = std::int64_t{1} << 31;
    while (std::isspace(static_cast<unsigned char>(*text))) ++text;
    bool negative = *text == '-';
    if (*text == '-' || *text == '+') ++text;
    std::int64_t magnitude = 0;
    for (; *text >= '0' && *text <= '9'; ++text) {
        magnitude = magnitude * 10 + (*text - '0');
        if (magnitude > SATURATED) magnitude = SATURATED;
    }
    std::int64_t value = negative ? -magnitude : magnitude;
    if (value > INT32_MAX) return INT32_MAX;
    return static_cast<std::int32_t>(value);
}

CommandLine read_command_line(int argc, const char* const* argv, Output& out, Diagnostics& diagnostics) {
    answer_long_option(argc, argv, out);
    if (argc <= 1) usage_error(diagnostics);
    if (argc == 2 && std::strcmp(argv[1], "-usage") == 0) print_text(out, HELP_TEXT);

    CommandLine command;
    int next = 1;
    for (; next < argc; ++next) {
        const char* argument = argv[next];
        if (std::strcmp(argument, "-t") == 0) {
            read_tab_stop(next + 1 < argc ? argv[next + 1] : nullptr, command.options, diagnostics);
            ++next;
        } else if (std::strncmp(argument, "-c", 2) == 0) {
            read_context(argument, command.options, diagnostics);
            refuse_both_reports(command.options, diagnostics);
        } else if (argument[0] != '-') {
            break;
        } else if (is_encoding_option(argument)) {
            read_encodings(argument, command.options, diagnostics);
        } else if (read_valued_option(argc, argv, next, command.options, diagnostics)) {
            refuse_both_reports(command.options, diagnostics);
        } else if (read_side_by_side_option(argument, command.options, diagnostics)) {
            continue;  // a shape of the side-by-side report, checked once all options are read
        } else if (const LongOption* option = find_long_option(argument)) {
            command.options.flags |= option->flag;
            refuse_both_reports(command.options, diagnostics);
            // Messages from here on are cut between UTF-8 characters.
            if ((option->flag & OPT_UTF8) != 0) diagnostics.encoding = Encoding::utf8;
        } else if (!read_colour_option(argument, command.options, out, diagnostics)) {
            read_letters(argument, command.options, diagnostics);
        }
    }
    settle_side_by_side(out, command.options, diagnostics);
    if (argc - next != 2) usage_error(diagnostics);
    command.first_name = argv[next];
    command.second_name = argv[next + 1];
    return command;
}

}  // namespace vesk
