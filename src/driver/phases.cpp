#include "driver/phases.h"

#include "compare/alignment.h"
#include "compare/context_marks.h"
#include "compare/matcher.h"
#include "report/context_report.h"
#include "report/normal_report.h"

namespace vesk {

int run_phases(Comparison& run) {
    match_lines(run.first, run.second, run.diagnostics);
    int result = align_matches(run.first, run.second, run.diagnostics);
    if (result != 0) return result;
    if (!run.options.has(OPT_CONTEXT))
        return print_normal_report(run, 1, run.options.flags & (OPT_INLINE_WORDS | OPT_INLINE_REPLACE));

    // The silent pass turns pairs whose texts differ into unmatched lines, so
    // that the context report shows them as changes with their context.
    result = print_normal_report(run, 0, 0);
    if (result != 1) return result;
    mark_context(run.first, run.second, run.options.context_lines);
    return print_context_report(run, run.options.flags);
}

}  // namespace vesk
