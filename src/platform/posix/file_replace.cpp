// Writing a private file where it really lies: the atomic replace, the in-place fallback for a
// folder that takes no new file, the empty file of a first start and the backup copy.

#include "platform/files.h"
#include "platform/posix/unique_fd.h"
#include "platform/posix/write_all.h"
#include "platform/private_file.h"

#include <atomic>
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <mutex>
#include <stdio.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace platform {
namespace {

std::atomic<long long> writeFaultAfter{-1};

// The content a replace that is not forced to the disk swapped out, still under its temporary
// name: removing a file whose blocks are on the disk costs the file system a journal entry,
// which the caller of such a replace (a start waiting for its record) need not wait for. The
// next forced replace removes it; a crash leaves it to removeStaleReplacements.
std::mutex setAsideMutex;
std::vector<std::string> setAside;

void keepSetAside(std::string path) {
    std::lock_guard<std::mutex> lock(setAsideMutex);
    setAside.push_back(std::move(path));
}

void removeSetAside() {
    std::vector<std::string> paths;
    {
        std::lock_guard<std::mutex> lock(setAsideMutex);
        paths.swap(setAside);
    }
    for (const std::string& path : paths)
        ::unlink(path.c_str());
}

// Written through the file itself when its folder takes no new file (a read-only folder that
// holds a writable file): the table is kept, though a crash midway would leave it mixed.
WriteResult writeInPlace(const SystemPath& target, const void* data, size_t size) {
    UniqueFd fd(::open(target.c_str(), O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    struct stat st;
    if (!fd.valid() || ::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode))
        return WriteResult::OpenFailed;
    // Truncated only after the new content is on disk, so a failed write never leaves less than
    // the old file held.
    if (!writeAll(fd.get(), data, size) || ::fsync(fd.get()) != 0)
        return WriteResult::ShortWrite;
    if (::ftruncate(fd.get(), static_cast<off_t>(size)) != 0 || ::fsync(fd.get()) != 0)
        return WriteResult::ShortWrite;
    return WriteResult::WrittenInPlace;
}

} // namespace

bool writeAll(int fd, const void* data, size_t size) {
    const char* p = static_cast<const char*>(data);
    size_t left = size;
    const long long fault = writeFaultAfter.load();
    const bool faulty = fault >= 0 && static_cast<long long>(size) > fault;
    if (faulty)
        left = static_cast<size_t>(fault);
    while (left > 0) {
        const ssize_t n = ::write(fd, p, left);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        p += n;
        left -= static_cast<size_t>(n);
    }
    if (faulty) {
        errno = ENOSPC;
        return false;
    }
    return true;
}

ReplaceStep replaceAtomically(const std::string& target, const void* data, size_t size,
                              bool durable) {
    std::string temp = target + ".tmp-XXXXXX";
    UniqueFd fd(::mkostemp(temp.data(), O_CLOEXEC));
    if (!fd.valid())
        return ReplaceStep::TempNotCreated;
    if (!writeAll(fd.get(), data, size) || (durable && ::fsync(fd.get()) != 0)) {
        const int saved = errno;
        fd.reset();
        ::unlink(temp.c_str());
        errno = saved;
        return ReplaceStep::ShortWrite;
    }
    fd.reset();
    // Exchanged rather than renamed over, so the old content is not removed now (see setAside);
    // a file system that cannot exchange gets the plain rename.
    if (!durable &&
        ::renameat2(AT_FDCWD, temp.c_str(), AT_FDCWD, target.c_str(), RENAME_EXCHANGE) == 0) {
        keepSetAside(std::move(temp));
        return ReplaceStep::Done;
    }
    if (::rename(temp.c_str(), target.c_str()) != 0) {
        const int saved = errno;
        ::unlink(temp.c_str());
        errno = saved;
        return ReplaceStep::RenameFailed;
    }
    if (!durable)
        return ReplaceStep::Done;
    // Make the rename itself durable.
    const size_t slash = target.rfind('/');
    const std::string folder =
        slash == std::string::npos ? std::string(".") : target.substr(0, slash == 0 ? 1 : slash);
    UniqueFd dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.valid())
        ::fsync(dir.get());
    removeSetAside();
    return ReplaceStep::Done;
}

void setWriteFaultAfter(long long bytes) {
    writeFaultAfter.store(bytes);
}

bool createEmptyFile(const SystemPath& path) {
    const SystemPath target = resolveLinks(path);
    UniqueFd fd(::open(target.c_str(),
                       O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0600));
    return fd.valid() || errno == EEXIST;
}

WriteResult replaceFileContent(const SystemPath& path, const void* data, size_t size, Flush flush) {
    // Beside the file a link leads to, so the link stays a link.
    const SystemPath target = resolveLinks(path);
    struct stat st;
    if (::lstat(target.c_str(), &st) != 0)
        return errno == ENOENT || errno == ENOTDIR ? WriteResult::Missing : WriteResult::OpenFailed;
    if (!S_ISREG(st.st_mode))
        return WriteResult::OpenFailed;
    // A file its owner made read-only stays as it is, whoever this process runs as.
    if ((st.st_mode & S_IWUSR) == 0)
        return WriteResult::ReadOnly;

    // The new file is 0600 whatever the old one had.
    switch (replaceAtomically(target.str(), data, size, flush == Flush::ToDisk)) {
    case ReplaceStep::Done:
        return WriteResult::Ok;
    case ReplaceStep::TempNotCreated:
        if (errno == EACCES || errno == EPERM)
            return writeInPlace(target, data, size);
        return WriteResult::OpenFailed;
    case ReplaceStep::ShortWrite:
        return WriteResult::ShortWrite;
    case ReplaceStep::RenameFailed:
        break;
    }
    return WriteResult::OpenFailed;
}

CopyResult copyRegularFile(const SystemPath& from, const SystemPath& to, uint64_t maxBytes) {
    const SystemPath source = resolveLinks(from);
    UniqueFd in(::open(source.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    if (!in.valid())
        return errno == ENXIO ? CopyResult::NotRegular : CopyResult::Failed;
    struct stat st;
    if (::fstat(in.get(), &st) != 0)
        return CopyResult::Failed;
    if (!S_ISREG(st.st_mode))
        return CopyResult::NotRegular;
    if (static_cast<uint64_t>(st.st_size) > maxBytes)
        return CopyResult::TooLarge;
    UniqueFd out(
        ::open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY, 0600));
    if (!out.valid())
        return CopyResult::Failed;
    // Exactly the size seen when the file was opened: a file that grows meanwhile cannot make
    // the copy endless, and one that shrinks makes it fail.
    uint64_t left = static_cast<uint64_t>(st.st_size);
    bool ok = true;
    char buffer[65536];
    while (ok && left > 0) {
        const ssize_t n = ::read(in.get(), buffer, left < sizeof buffer ? left : sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        ok = n > 0 && writeAll(out.get(), buffer, static_cast<size_t>(n));
        if (ok)
            left -= static_cast<uint64_t>(n);
    }
    ok = ok && ::fsync(out.get()) == 0;
    out.reset();
    if (!ok) {
        ::unlink(to.c_str());
        return CopyResult::Failed;
    }
    return CopyResult::Ok;
}

int removeStaleReplacements(const SystemPath& path) {
    const SystemPath target = resolveLinks(path);
    // The names mkostemp gives: "<file>.tmp-" and six characters.
    const std::string prefix = target.name() + ".tmp-";
    std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(target.folder().c_str()), &::closedir);
    if (!dir)
        return 0;
    const uid_t self = ::geteuid();
    int removed = 0;
    while (const dirent* entry = ::readdir(dir.get())) {
        const std::string name = entry->d_name;
        if (name.size() != prefix.size() + 6 || name.compare(0, prefix.size(), prefix) != 0)
            continue;
        // Only what this user's own replace left: a file of someone else in a shared folder is
        // none of ours.
        struct stat st;
        if (::fstatat(::dirfd(dir.get()), name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 &&
            S_ISREG(st.st_mode) && st.st_uid == self &&
            ::unlinkat(::dirfd(dir.get()), name.c_str(), 0) == 0)
            ++removed;
    }
    return removed;
}

} // namespace platform
