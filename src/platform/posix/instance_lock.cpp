#include "platform/instance_lock.h"

#include "platform/posix/unique_fd.h"
#include "platform/trusted_folder.h"

#include <cerrno>
#include <fcntl.h>
#include <string>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {
namespace {

constexpr int kLockFlags = O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY;

// A private lock file of this user: a regular file it owns, which nobody else may open.
bool isOurs(int fd) {
    struct stat st;
    return ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_uid == ::geteuid() &&
           (st.st_mode & 077) == 0;
}

// Opens the lock file in the folder, replacing whatever else stands under its name: a link, a
// file of another user, a file others could open. A few rounds, as someone could keep putting
// one back.
UniqueFd openLockFile(int folder, const std::string& name) {
    for (int round = 0; round < 3; ++round) {
        UniqueFd fd(::openat(folder, name.c_str(), kLockFlags | O_CREAT, 0600));
        if (fd.valid() && isOurs(fd.get()))
            return fd;
        // A folder that takes no new file (made read-only, with the task file in it writable)
        // is locked itself: every instance that finds no lock file there meets at the folder.
        struct stat st;
        if (!fd.valid() && (errno == EACCES || errno == EPERM || errno == EROFS) &&
            ::fstatat(folder, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0 && errno == ENOENT)
            return UniqueFd(::fcntl(folder, F_DUPFD_CLOEXEC, 0));
        if (!fd.valid() && errno != ELOOP && errno != EACCES && errno != ENXIO && errno != EISDIR)
            return UniqueFd();
        if (::unlinkat(folder, name.c_str(), 0) != 0 && errno != ENOENT)
            return UniqueFd();
    }
    return UniqueFd();
}

} // namespace

std::unique_ptr<InstanceLock> InstanceLock::acquire(const SystemPath& folder,
                                                    const std::string& name, Status& status) {
    UniqueFd dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!dir.valid()) {
        status = errno == ENOENT || errno == ENOTDIR ? Status::FolderMissing : Status::Failed;
        return nullptr;
    }
    return lockIn(dir.get(), name, status);
}

std::unique_ptr<InstanceLock> InstanceLock::acquire(const TrustedFolder& folder,
                                                    const std::string& name, Status& status) {
    return lockIn(folder.descriptor(), name, status);
}

std::unique_ptr<InstanceLock> InstanceLock::lockIn(int folder, const std::string& name,
                                                   Status& status) {
    UniqueFd fd = openLockFile(folder, name);
    if (!fd.valid()) {
        status = Status::Failed;
        return nullptr;
    }
    if (::flock(fd.get(), LOCK_EX | LOCK_NB) != 0) {
        status = errno == EWOULDBLOCK ? Status::HeldElsewhere : Status::Failed;
        return nullptr;
    }
    status = Status::Acquired;
    return std::unique_ptr<InstanceLock>(new InstanceLock(fd.release()));
}

InstanceLock::~InstanceLock() {
    if (fd_ >= 0)
        ::close(fd_);
}

} // namespace platform
