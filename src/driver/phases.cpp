#include "driver/phases.h"

#include "compare/alignment.h"
#include "compare/context_marks.h"
#include "compare/matcher.h"
#include "compare/pair_recheck.h"
#include "compare/whole_lines.h"
#include "report/context_report.h"
#include "report/normal_report.h"
#include "report/side_by_side_report.h"
#include "report/unified_report.h"

namespace vesk {

int run_phases(Comparison& comparison) {
    LineTable& first = comparison.first;
    LineTable& second = comparison.second;
    match_lines(first, second, comparison.diagnostics);
    align_matches(first, second, comparison.diagnostics);
    const TextRules rules = comparison.options.text_rules();
    // The command line lets no other report come with the context report.
    if (!comparison.options.context_report()) {
        recheck_matched_pairs(first, second, rules, MARK_CHANGED_PAIR, comparison.diagnostics);
        if (comparison.options.has(OPT_UNIFIED))
            return print_unified_report(comparison, WholeLineView(first, second)) ? 1 : 0;
        if (comparison.options.has(OPT_SIDE_BY_SIDE))
            return print_side_by_side_report(comparison, WholeLineView(first, second)) ? 1 : 0;
        return print_normal_report(comparison) ? 1 : 0;
    }
    // Pairs whose texts differ become unmatched lines, so that the context report
    // shows them as changes with their context.
    if (!recheck_matched_pairs(first, second, rules, MARK_UNMATCHED, comparison.diagnostics)) return 0;
    mark_context(first, second, comparison.options.context_lines);
    return print_context_report(comparison) ? 1 : 0;
}

}  // namespace vesk
