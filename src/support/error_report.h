// Where every error message goes: standard error, through one reporter that
// formats a message only when it holds a "%" (see message_format.h).
#pragma once

#include <cstddef>
#include <functional>

#include "support/message_format.h"
#include "support/output.h"

namespace vesk {

// The error stream of one run, its message buffer, and the way memory is refused
// in tests (see memory.h).
struct Diagnostics {
    explicit Diagnostics(Output& error_stream) : err(error_stream) {}

    Output& err;
    MessageBuffer message{};
    // --utf8, from where the command line gives it on: messages are cut between
    // UTF-8 characters.
    Encoding encoding = Encoding::shift_jis;
    // When set and it answers true for a request of that many bytes, the
    // request fails as if no memory were left.
    std::function<bool(std::size_t)> refuse_memory;
    // When set, this stream is flushed before a message is written, so that the
    // two streams reach a terminal in the order in which they were produced.
    Output* output_before_errors = nullptr;
};

// Writes one message to standard error. Without a "%" the format is written as
// it stands; otherwise it is formatted first. Nothing is added: each message
// carries its own line breaks.
void emit_error(Diagnostics& diagnostics, const char* format, MessageArgs args = {});

}  // namespace vesk
