#include "platform/state_files.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

std::optional<std::string> stateFolder(std::string_view name) {
    const char* state = std::getenv("XDG_STATE_HOME");
    std::string base;
    if (state && state[0] == '/') {
        base = state;
    } else {
        const char* home = std::getenv("HOME");
        if (!home || home[0] != '/')
            return std::nullopt;
        base = std::string(home) + "/.local/state";
    }
    return base + "/" + std::string(name);
}

bool makePrivateFolder(const std::string& path) {
    if (path.empty())
        return false;
    // Every missing parent too; the parents get the usual 0755 less the umask, as other
    // programs' state folders beside ours expect.
    for (size_t slash = path.find('/', 1); slash != std::string::npos;
         slash = path.find('/', slash + 1)) {
        const std::string parent = path.substr(0, slash);
        if (::mkdir(parent.c_str(), 0755) != 0 && errno != EEXIST)
            return false;
    }
    if (::mkdir(path.c_str(), 0700) != 0 && errno != EEXIST)
        return false;
    struct stat st;
    if (::lstat(path.c_str(), &st) != 0)
        return false;
    if (!S_ISDIR(st.st_mode) || st.st_uid != ::geteuid()) {
        errno = ENOTDIR;
        return false;
    }
    return (st.st_mode & 07777) == 0700 || ::chmod(path.c_str(), 0700) == 0;
}

bool makePrivateFile(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0)
        return false;
    const bool ok = ::fchmod(fd, 0600) == 0;
    const int saved = errno;
    ::close(fd);
    errno = saved;
    return ok;
}

int openPrivateOutput(const std::string& path) {
    // Normally the file is new and open() gives it its mode; one left behind is emptied and
    // its mode set again.
    const int flags = O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC | O_NOFOLLOW;
    int fd = ::open(path.c_str(), flags | O_EXCL, 0600);
    if (fd >= 0 || errno != EEXIST)
        return fd;
    fd = ::open(path.c_str(), flags | O_TRUNC, 0600);
    if (fd >= 0 && ::fchmod(fd, 0600) != 0) {
        const int saved = errno;
        ::close(fd);
        errno = saved;
        return -1;
    }
    return fd;
}

int64_t privateFileSize(const std::string& path) {
    struct stat st;
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return -1;
    return static_cast<int64_t>(st.st_size);
}

} // namespace platform
