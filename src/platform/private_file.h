#pragma once
// A private file of this program (the task file): read once at start-up through one open
// descriptor, and replaced where it really lies. A file named by a link is the file the link
// leads to; the link itself stays as it is.

#include "platform/file_trust.h"
#include "platform/system_path.h"

#include <cstddef>
#include <cstdint>
#include <functional>

namespace platform {

// Follows `path` while it is a symbolic link and returns the entry it finally names (which
// need not exist). A path that is no link is returned as it is.
SystemPath resolveLinks(const SystemPath& path);

enum class ReadResult { Ok, ShortRead, Failed };

// Opens the file once (links resolved first, then no link followed; non-blocking; close-on-exec)
// and takes everything from that one descriptor: what it is, whom it belongs to, its size and
// its bytes. Nobody can put another file in its place between the check and the read.
class PrivateFile {
public:
    enum class Status {
        Opened,     // a regular file, open
        Missing,    // nothing there (or its folder is missing)
        NotRegular, // a folder, FIFO, socket or device
        OpenFailed, // there, but it cannot be opened or examined (see error())
    };

    explicit PrivateFile(const SystemPath& path);
    ~PrivateFile();
    PrivateFile(const PrivateFile&) = delete;
    PrivateFile& operator=(const PrivateFile&) = delete;

    Status status() const { return status_; }
    // Decided on the open file (its owner and mode) and on both the folder that holds the path
    // and the folder that really holds the file. A missing file is judged by its folders alone.
    FileTrust trust() const { return trust_; }
    // The file or folder that the verdict is about, for the message that names it.
    const SystemPath& culprit() const { return culprit_; }
    // Where the file really lies.
    const SystemPath& target() const { return target_; }
    int64_t size() const { return size_; }
    bool ownerWritable() const { return ownerWritable_; }
    // errno of the failed open (OpenFailed).
    int error() const { return error_; }
    // Reads exactly `size` bytes from the start of the open file.
    ReadResult read(void* buffer, size_t size) const;

private:
    void judgeFolder(const SystemPath& folder, int folderFd);
    void judgeFile();

    int fd_ = -1;
    Status status_ = Status::Missing;
    FileTrust trust_ = FileTrust::Trusted;
    SystemPath culprit_;
    SystemPath target_;
    int64_t size_ = 0;
    bool ownerWritable_ = false;
    int error_ = 0;
};

// Creates the file empty (mode 0600) where a link leads, never following a link at the last
// step. True when an entry exists there afterwards (what it is, PrivateFile tells).
bool createEmptyFile(const SystemPath& path);

enum class WriteResult {
    Ok,             // replaced atomically (written beside, flushed, renamed over it)
    WrittenInPlace, // the folder takes no new file: written through the file itself, flushed
    Missing,        // nothing there; nothing was created
    ReadOnly,       // the owner may not write the file: left as it is
    OpenFailed,     // not a regular file, or cannot be opened or replaced
    ShortWrite,     // the disk refused some bytes; an atomic replace left the old content whole
};
// How far a replace makes sure the new content has gone before it returns.
enum class Flush {
    ToDisk,       // forced to the disk, the rename included: it survives a power failure
    ToFileSystem, // in the file system only: it survives this program's crash, not a power cut
};
// Replaces the content of an existing regular file where it really lies.
WriteResult replaceFileContent(const SystemPath& path, const void* data, size_t size,
                               Flush flush = Flush::ToDisk);

enum class CopyResult { Ok, NotRegular, TooLarge, Failed };
// Copies a regular file of at most `maxBytes` bytes to a new file `to` (mode 0600, never
// replacing an entry). A copy that fails midway is removed again.
CopyResult copyRegularFile(const SystemPath& from, const SystemPath& to, uint64_t maxBytes);

// Removes the temporary files that an interrupted replace of `path` left beside the file it
// really is (a crash between writing and renaming). Returns how many were removed.
int removeStaleReplacements(const SystemPath& path);

// Test hook: runs inside PrivateFile::read before the first byte is read, that is between the
// trust decision and the read; a test swaps the file there. (The write fault is in files.h.)
void setPrivateFileReadHook(std::function<void()> hook);

} // namespace platform
