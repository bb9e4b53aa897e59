// How many generated cases a property test tries: a default that keeps the suite
// quick, or as many as an environment variable asks for in a long run.
#pragma once

#include <cstdlib>

namespace vesk::testing {

inline int case_count(const char* variable, int in_the_suite) {
    const char* asked = std::getenv(variable);
    return asked != nullptr ? std::atoi(asked) : in_the_suite;
}

}  // namespace vesk::testing
