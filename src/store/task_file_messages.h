#pragma once
// What the user is told about a task file that is not loaded, or not saved (UTF-8 texts naming
// the file and the fix). Paths are the system's own, as the file system spells them.

#include "platform/file_trust.h"

#include <string>

// A file (or folder) that someone else could have changed: `trust` must not be Trusted.
// `folder` is the folder to make private; by default the one holding `path`.
std::string taskFileRefusalMessage(platform::FileTrust trust, const char* path);
std::string taskFileRefusalMessage(platform::FileTrust trust, const std::string& path,
                                   const std::string& folder);

// A folder, FIFO, socket or device where the task file should be.
std::string taskFileNotRegularMessage(const std::string& path);
// A file that cannot be opened; `permission` when the mode forbids it.
std::string taskFileUnopenableMessage(const std::string& path, bool permission);
// A file that was opened but could not be read.
std::string taskFileUnreadableMessage(const std::string& path);
// A file that was not loaded whole and of which no copy could be made.
std::string taskFileBackupFailedMessage(const std::string& path);
// The copy kept of a file that was not loaded whole.
std::string taskFileBackupMadeMessage(const std::string& backup);
// A file its owner may not write: changes are not saved.
std::string taskFileReadOnlyMessage(const std::string& path);
