#pragma once
// File and folder queries. Paths from task records are cp932 strings; the system's own paths are
// SystemPath (the task file and its siblings have their own seam in private_file.h).

#include "platform/system_path.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace platform {

// On record paths (cp932).
bool pathExists(std::string_view cp932Path);  // any kind of entry
bool isDirectory(std::string_view cp932Path); // false when it cannot be read

// On the system's own paths.
bool pathExists(const SystemPath& path);
// Creates one folder with mode 0700; true when a folder exists there afterwards.
bool createDirectory(const SystemPath& path);
bool removeFile(const SystemPath& path);

// Writes a new file (mode 0644) unless one exists. Used for the about text beside the program
// and the start-up entry.
enum class CreateResult { Ok, Exists, OpenFailed, ShortWrite };
CreateResult writeNewFile(const SystemPath& path, const void* data, size_t size);

// What stands at a native path, without following a link.
enum class EntryKind { Missing, RegularFile, Other };
EntryKind entryKind(const std::string& path);

// Renames an entry of a native path; false (errno kept) when it cannot be.
bool renameEntry(const std::string& from, const std::string& to);

// The last `maxBytes` bytes of a regular file (native path), read without waiting and never
// through a link; `readable` is false for anything else.
struct FileTail {
    bool readable = false;
    int64_t fileBytes = 0;
    std::string bytes;
};
FileTail readFileTail(const std::string& path, int64_t maxBytes);

// The fopen mode for appending to a log file (the trace): never inherited by a started
// program, and lines end in "\n" on every system.
const char* appendLogMode();

// Test hook: makes the next writes (new files, replaced files, copies) fail after `bytes` bytes,
// as a full disk would. A negative value turns the fault off.
void setWriteFaultAfter(long long bytes);

} // namespace platform
