// A whole run of vesk inside the test's process, as execute() runs it: quicker
// than starting the program when a property test makes thousands of runs.
#pragma once

#include <string>
#include <vector>

#include "driver/run.h"
#include "e2e/e2e_harness.h"

namespace vesk::testing {

// args are argv[1] on.
inline e2e::Outcome run_in_process(std::vector<std::string> args) {
    args.insert(args.begin(), "vesk");
    std::vector<const char*> argv;
    for (const std::string& arg : args) argv.push_back(arg.c_str());
    argv.push_back(nullptr);
    Output out, err;
    const int status = execute(static_cast<int>(args.size()), argv.data(), out, err);
    return {out.captured(), err.captured(), status};
}

}  // namespace vesk::testing
