// How a run ends from deep inside: the message is written where the failure is
// found, then end_run() unwinds to the one place that turns it into a status.
#pragma once

namespace vesk {

// Thrown by end_run(); caught only by execute() in the driver.
struct RunEnded {
    int status;
};

// Standard output could not be written (a full disk, a closed pipe).
struct OutputFailed {};

[[noreturn]] void end_run(int status);

}  // namespace vesk
