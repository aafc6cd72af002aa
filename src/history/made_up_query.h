#pragma once
// Whether the history holds a make-up run: asked before the catch-up makes one, because the
// task file, which records it otherwise, may not have been written.

#include "history/history_paths.h"

#include <cstdint>
#include <string_view>

namespace history {

// True when the history holds a catch-up run of `task` (UTF-8) due at the minute dueMs. Reads
// the database on its own read-only connection; false when there is none or it cannot be read.
bool catchUpRunRecorded(const HistoryPaths& paths, std::string_view task, int64_t dueMs);

} // namespace history
