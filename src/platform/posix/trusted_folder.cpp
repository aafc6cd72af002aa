#include "platform/trusted_folder.h"

#include "platform/posix/trust_rules.h"
#include "platform/posix/unique_fd.h"

#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {
namespace {

constexpr int kFolderFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;

// Missing folders above `path` are made 0755; those that exist stay as they are.
void makeParents(const std::string& path) {
    for (size_t slash = path.find('/', 1); slash != std::string::npos;
         slash = path.find('/', slash + 1))
        ::mkdir(path.substr(0, slash).c_str(), 0755);
}

std::string parentOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == 0 || slash == std::string::npos ? std::string("/") : path.substr(0, slash);
}

} // namespace

TrustedFolder::~TrustedFolder() {
    if (fd_ >= 0)
        ::close(fd_);
}

FolderOpening TrustedFolder::open(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (path.empty() || path[0] != '/' || slash == std::string::npos || slash + 1 == path.size())
        return FolderOpening::failed(path, EINVAL);
    makeParents(path);
    const std::string parentPath = parentOf(path);
    // The folder above may be reached through links (a home on another disk): what counts is
    // the folder it is, judged on the open descriptor.
    UniqueFd parent(::open(parentPath.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!parent.valid())
        return FolderOpening::failed(parentPath, errno);
    struct stat st;
    if (::fstat(parent.get(), &st) != 0)
        return FolderOpening::refused(parentPath, FileTrust::Unexaminable);
    if (const FileTrust verdict = parentFolderVerdict(st); verdict != FileTrust::Trusted)
        return FolderOpening::refused(parentPath, verdict);
    return openIn(parent.get(), path, path.substr(slash + 1));
}

FolderOpening TrustedFolder::subfolder(const std::string& name) const {
    return openIn(fd_, path_ + "/" + name, name);
}

FolderOpening TrustedFolder::openIn(int parentFd, const std::string& path,
                                    const std::string& name) {
    if (::mkdirat(parentFd, name.c_str(), 0700) != 0 && errno != EEXIST)
        return FolderOpening::failed(path, errno);
    UniqueFd fd(::openat(parentFd, name.c_str(), kFolderFlags));
    if (!fd.valid()) {
        if (errno == ELOOP || errno == ENOTDIR) {
            FolderOpening result = FolderOpening::failed(path, errno);
            result.status = FolderOpening::Status::NotFolder;
            return result;
        }
        return FolderOpening::failed(path, errno);
    }
    struct stat st;
    if (::fstat(fd.get(), &st) != 0)
        return FolderOpening::refused(path, FileTrust::Unexaminable);
    if (const FileTrust verdict = folderVerdict(st); verdict != FileTrust::Trusted)
        return FolderOpening::refused(path, verdict);
    FolderOpening result;
    result.status = FolderOpening::Status::Opened;
    result.folder.reset(new TrustedFolder(fd.release(), path));
    return result;
}

TrustedFolder::Entry TrustedFolder::examine(const std::string& name) const {
    struct stat st;
    if (::fstatat(fd_, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0)
        return errno == ENOENT ? Entry::Missing : Entry::Foreign;
    if (!S_ISREG(st.st_mode) || fileVerdict(st) != FileTrust::Trusted)
        return Entry::Foreign;
    return Entry::Private;
}

void TrustedFolder::rehearseCreate() const {
    UniqueFd nameless(::openat(fd_, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600));
}

int TrustedFolder::createFile(const std::string& name) const {
    return ::openat(fd_, name.c_str(),
                    O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY,
                    0600);
}

std::string TrustedFolder::moveAside(const std::string& name, const std::string& suffix) const {
    std::string to = name + suffix;
    for (int n = 1; n < 100; ++n) {
        // Never over an entry: an earlier copy stays as it is.
        if (::renameat2(fd_, name.c_str(), fd_, to.c_str(), RENAME_NOREPLACE) == 0)
            return to;
        if (errno != EEXIST)
            return std::string();
        to = name + suffix + "-" + std::to_string(n);
    }
    return std::string();
}

int64_t TrustedFolder::fileSize(const std::string& name) const {
    struct stat st;
    if (::fstatat(fd_, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(st.st_mode))
        return -1;
    return static_cast<int64_t>(st.st_size);
}

bool TrustedFolder::removeFile(const std::string& name) const {
    return ::unlinkat(fd_, name.c_str(), 0) == 0;
}

std::vector<std::string> TrustedFolder::names() const {
    std::vector<std::string> result;
    const int copy = ::openat(fd_, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (copy < 0)
        return result;
    DIR* dir = ::fdopendir(copy);
    if (!dir) {
        ::close(copy);
        return result;
    }
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name != "." && name != "..")
            result.push_back(name);
    }
    ::closedir(dir);
    return result;
}

} // namespace platform
