#pragma once
// Files that live beside the settings file (the imported holiday data), and the few file
// operations they need. Every path here is a native (UTF-8) path: the settings folder is found
// by the program itself and never passes through cp932.

#include "platform/file_trust.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace platform {

// The folder that holds Chorelin.conf (~/.config/Marrowby unless XDG_CONFIG_HOME says else),
// without a trailing separator. It need not exist yet.
std::string settingsFolder();

// What a file is on disk, enough to tell that it was replaced, rewritten or removed.
struct FileStamp {
    bool exists = false;
    uint64_t device = 0;
    uint64_t inode = 0;
    int64_t size = 0;
    int64_t modifiedNs = 0;
    // A change of owner or mode changes whether the file may be believed.
    uint32_t mode = 0;
    uint32_t owner = 0;
    bool operator==(const FileStamp&) const = default;
};
FileStamp fileStamp(const std::string& path);
// The folder's identity, owner and mode only: files coming and going inside it (the settings
// file is rewritten by a rename) do not change it, a chmod or chown does.
FileStamp folderStamp(const std::string& folder);

enum class ReadStatus { Ok, Missing, TooLarge, NotAFile, Failed, Untrusted };
struct FileRead {
    ReadStatus status = ReadStatus::Failed;
    std::string bytes;
    FileStamp stamp;               // of the file that was read
    bool sharedWithOthers = false; // owned by another user, or writable by group or others
};
// Reads a whole regular file of at most `maxBytes` bytes.
FileRead readWholeFile(const std::string& path, size_t maxBytes);

struct TrustedRead {
    FileRead read;
    // Untrusted: the verdict, and the file or folder it is about.
    FileTrust trust = FileTrust::Trusted;
    std::string culprit;
};
// Reads a whole file of this program's own as the task file is read: opened once, never through
// a link at the last step, and only when the file and the folders that hold it pass the trust
// rule (see PrivateFile); else status Untrusted and no bytes.
TrustedRead readTrustedFile(const std::string& path, size_t maxBytes);

// Writes `bytes` to `path` atomically (a temporary file beside it, flushed, renamed over it),
// mode 0600, creating the folder (0700) when it is missing. False when anything failed; an
// existing file is then left as it was.
bool writePrivateFile(const std::string& path, std::string_view bytes);

// Removes the file; true when no file is there afterwards.
bool removePrivateFile(const std::string& path);

} // namespace platform
