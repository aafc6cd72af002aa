#pragma once
// Writing a whole buffer to a descriptor, with the test fault that stands for a full disk.

#include <cstddef>

namespace platform {
// Writes all bytes, retrying short writes; false (errno set) when the disk refuses some.
bool writeAll(int fd, const void* data, size_t size);
} // namespace platform
