#include "support/error_report.h"

#include <cstring>

namespace vesk {

void emit_error(Diagnostics& diagnostics, const char* format, MessageArgs args) {
    // A standard output that cannot be written must not cost the message.
    if (diagnostics.output_before_errors != nullptr) diagnostics.output_before_errors->try_flush();
    const char* message = format;
    if (find_char(format, '%', diagnostics.encoding) != nullptr)
        message = format_message(diagnostics.message, format, args, diagnostics.encoding).data();
    // Written as a plain text: a NUL that "%c" put into the message ends it.
    diagnostics.err.write(message, std::strlen(message));
}

}  // namespace vesk
