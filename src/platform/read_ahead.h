#pragma once
// Getting ready a moment ahead for work that must be quick. A machine left quiet gives its
// memory to others: the kernel drops the file pages nobody has touched for a while (under
// memory pressure, or by a proactive reclaim), and a virtual machine's host takes back what its
// guest left alone. A task started after a quiet spell would then wait while its program's file
// and the folders' bookkeeping are read from the disk again; these calls make that wait happen
// before the task's minute. Each is best effort and silent: what cannot be done costs nothing
// but the time it would have saved.

#include "platform/system_path.h"

#include <cstddef>
#include <string_view>

namespace platform {

// Asks the system to read the whole file ahead and reads up to `touch` bytes of it now, so that
// those are in memory. The bytes read: 0 when the file cannot be opened.
size_t readAhead(std::string_view cp932Path, size_t touch);

// Makes and at once drops a nameless file beside the file `path` really is (its links
// followed), so the bookkeeping a new file there needs is in memory when the file is next
// replaced. No entry appears in the folder.
void rehearseReplace(const SystemPath& path);

} // namespace platform
