#pragma once
// File and folder queries on cp932 paths.

#include <cstdint>
#include <string>
#include <string_view>

namespace platform {

bool pathExists(std::string_view path);  // any kind of entry
bool isDirectory(std::string_view path); // false when it cannot be read
// Size in bytes, or -1 when the file cannot be examined.
int64_t fileSize(std::string_view path);
// Creates one folder with mode 0700; true when it exists afterwards.
bool createDirectory(std::string_view path);
bool removeFile(std::string_view path);

// Creates an empty file (mode 0600) when none exists. True when a file exists afterwards.
bool createEmptyFile(std::string_view path);

enum class ReadResult { Ok, Missing, OpenFailed, ShortRead };
// Reads exactly `size` bytes from the start of the file.
ReadResult readFileBytes(std::string_view path, void* buffer, size_t size);

enum class WriteResult { Ok, Missing, OpenFailed, ShortWrite };
// Replaces the content of an existing file atomically: a temporary file beside it is written,
// flushed to disk and renamed over it, so a crash or a full disk leaves the old content whole.
// Nothing is created when no file exists at `path` (Missing).
WriteResult replaceFileAtomically(std::string_view path, const void* data, size_t size);

// Removes the temporary files that an interrupted replaceFileAtomically of `path` left beside
// it (a crash between writing and renaming). Returns how many were removed.
int removeStaleReplacements(std::string_view path);

// Copies a file byte for byte to a new path (mode 0600); false when anything fails.
bool copyFile(std::string_view from, std::string_view to);

// Writes a new file (mode 0644) unless one exists. Used for the about text beside the program.
enum class CreateResult { Ok, Exists, OpenFailed, ShortWrite };
CreateResult writeNewFile(std::string_view path, const void* data, size_t size);

// Test hook: makes the next writes through replaceFileAtomically fail after `bytes` bytes,
// as a full disk would. A negative value turns the fault off.
void setWriteFaultAfter(long long bytes);

} // namespace platform
