#pragma once
// Writing a whole buffer to a descriptor, with the test fault that stands for a full disk, and
// the atomic replace of a file built on it.

#include <cstddef>
#include <string>

namespace platform {
// Writes all bytes, retrying short writes; false (errno set) when the disk refuses some.
bool writeAll(int fd, const void* data, size_t size);

enum class ReplaceStep { Done, TempNotCreated, ShortWrite, RenameFailed };
// Puts `data` at `target` atomically: a temporary file beside it (mode 0600) is written, flushed
// and renamed over it, and the rename made durable (without `durable`, neither is forced to the
// disk). A crash or a full disk leaves what was at `target` whole; nothing of the attempt is
// left behind. errno is kept from the failed step.
ReplaceStep replaceAtomically(const std::string& target, const void* data, size_t size,
                              bool durable = true);
} // namespace platform
