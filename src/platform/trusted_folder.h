#pragma once
// A folder of this program's own (the run history's), opened once and trusted once: the folder
// and the folder that holds it belong to this user and nobody else may write them (a folder
// that everybody may write is accepted above it only with the sticky bit, as /tmp has it).
// Every file in it is then reached relative to the open folder, never through a link, never
// blocking, regular files only, so nobody can swap what was judged for something else.

#include "platform/file_trust.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace platform {

class TrustedFolder;

struct FolderOpening {
    enum class Status {
        Opened,
        Refused,   // another user owns or may write the folder or its parent (see trust)
        NotFolder, // a link, file, FIFO or the like stands under the folder's name
        Failed,    // it cannot be made or opened (see error)
    };
    Status status = Status::Failed;
    FileTrust trust = FileTrust::Trusted;
    std::string culprit; // the folder the verdict is about
    int error = 0;
    std::unique_ptr<TrustedFolder> folder; // set when Opened

    static FolderOpening failed(const std::string& culprit, int error) {
        FolderOpening result;
        result.culprit = culprit;
        result.error = error;
        return result;
    }
    static FolderOpening refused(const std::string& culprit, FileTrust trust) {
        FolderOpening result;
        result.status = Status::Refused;
        result.trust = trust;
        result.culprit = culprit;
        return result;
    }
};

class TrustedFolder {
public:
    // Opens `path`, making it 0700 when missing (its missing parents 0755, as other programs'
    // folders beside it expect). Nothing that exists already has its mode changed.
    static FolderOpening open(const std::string& path);
    // A folder inside this one, made and judged the same way.
    FolderOpening subfolder(const std::string& name) const;

    ~TrustedFolder();
    TrustedFolder(const TrustedFolder&) = delete;
    TrustedFolder& operator=(const TrustedFolder&) = delete;

    const std::string& path() const { return path_; }
    // The open folder's descriptor (for the instance lock).
    int descriptor() const { return fd_; }

    enum class Entry {
        Missing,
        Private, // a regular file of this user that nobody else may write
        Foreign, // anything else: a link, FIFO, socket, device, folder, another user's file
    };
    Entry examine(const std::string& name) const;

    // A new private file (0600), never replacing an entry: -1 with errno EEXIST when something
    // is there. Opened for writing, non-blocking, close-on-exec. The caller closes it.
    int createFile(const std::string& name) const;
    // Makes and at once drops a nameless file here, so the bookkeeping the next createFile()
    // needs is in memory by then (see read_ahead.h). No entry appears; best effort.
    void rehearseCreate() const;
    // Renames the entry to `name + suffix` (with "-N" added when that is taken). The new name,
    // or empty when it cannot be moved.
    std::string moveAside(const std::string& name, const std::string& suffix) const;
    // The size of a regular file, or -1.
    int64_t fileSize(const std::string& name) const;
    // Removes a file (never a folder); true when it was there and is gone.
    bool removeFile(const std::string& name) const;
    // The names of the entries, "." and ".." left out.
    std::vector<std::string> names() const;

private:
    TrustedFolder(int fd, std::string path) : fd_(fd), path_(std::move(path)) {}
    static FolderOpening openIn(int parentFd, const std::string& path, const std::string& name);

    int fd_;
    std::string path_;
};

} // namespace platform
