#include "compare/match/run_table.h"

#include "support/memory.h"

namespace vesk {
namespace {

template <class Index>
Index* zeroed_entries(Diagnostics& diagnostics, std::int64_t entries) {
    return static_cast<Index*>(alloc_or_exit(diagnostics, static_cast<std::size_t>(entries) * sizeof(Index)));
}

}  // namespace

// A failure on the second array ends the run after the first is released.
template <class Index>
RunTable<Index>::RunTable(Diagnostics& diagnostics, std::int64_t lines)
    : entries_(lines + 1),
      lengths_(zeroed_entries<Index>(diagnostics, entries_)),
      starts_(zeroed_entries<Index>(diagnostics, entries_)) {}

template <class Index>
RunTableEntries RunTable<Index>::entries() const {
    return {std::vector<std::int64_t>(lengths_.get(), lengths_.get() + entries_),
            std::vector<std::int64_t>(starts_.get(), starts_.get() + entries_), {}, {}};
}

template class RunTable<std::int32_t>;
template class RunTable<std::int64_t>;

}  // namespace vesk
