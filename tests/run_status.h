// The status with which code ended the run (through end_run), for the tests of
// fatal paths; a memory shortage gives its message as execute() would.
#pragma once

#include <optional>

#include "support/error_report.h"
#include "support/memory.h"
#include "support/run_end.h"

namespace vesk::testing {

// nullopt when the operation returned normally.
template <class Operation>
std::optional<int> ended_status(Operation operation, Diagnostics* diagnostics = nullptr) {
    try {
        operation();
    } catch (const MemoryShortage& shortage) {
        if (diagnostics != nullptr) report_shortage(*diagnostics, shortage);
        return shortage.status;
    } catch (const RunEnded& ended) {
        return ended.status;
    }
    return std::nullopt;
}

}  // namespace vesk::testing
