// The -i folding of a whole text in place, written plainly: the reference that
// the folding done on the fly (fingerprints, pair comparison) is checked against.
// Never for production.
#pragma once

#include "support/byte_rules.h"

namespace vesk::testing {

inline void fold_case(char* text) {
    for (auto* at = reinterpret_cast<unsigned char*>(text); *at != '\0'; ++at) {
        if (is_fold_lead_byte(*at) && at[1] != '\0')
            ++at;  // the second byte of a double-byte character is never folded
        else
            *at = fold_ascii(*at);
    }
}

}  // namespace vesk::testing
