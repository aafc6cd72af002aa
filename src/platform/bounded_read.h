#pragma once
// The end of readWholeFile on every system: the file's bytes read to its end, never more than
// its bound, since the file may have grown after it was measured.

#include "platform/settings_files.h"

#include <cstddef>
#include <functional>

namespace platform {

// `readSome` reads into the buffer it is given: the bytes read, 0 at the end, -1 on a failure
// (the status then stays Failed).
void readToEnd(FileRead& result, size_t maxBytes,
               const std::function<long(char* buffer, size_t size)>& readSome);

} // namespace platform
