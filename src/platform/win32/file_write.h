#pragma once
// Writing a whole buffer to a file handle, with the test fault that stands for a full disk, and
// the atomic replace of a file built on it.

#include "platform/system_path.h"

#include <windows.h>

#include <cstddef>

namespace platform::win {

// Writes all bytes; false (last error set) when the disk refuses some.
bool writeAll(HANDLE file, const void* data, size_t size);

enum class ReplaceStep { Done, TempNotCreated, ShortWrite, RenameFailed };
// Puts `data` at `target` atomically: a private temporary file beside it is written, flushed and
// moved over it (ReplaceFileW, else MoveFileExW with write-through). A crash or a full disk
// leaves what was at `target` whole; nothing of the attempt is left behind. The last error is
// kept from the failed step.
ReplaceStep replaceAtomically(const SystemPath& target, const void* data, size_t size);

// The temporary names replaceAtomically uses: "<file>.tmp-" and six characters.
inline constexpr size_t kTempSuffixLength = 6;

} // namespace platform::win
