#include "platform/read_ahead.h"

#include "platform/posix/native_path.h"
#include "platform/posix/unique_fd.h"
#include "platform/private_file.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

size_t readAhead(std::string_view cp932Path, size_t touch) {
    const std::optional<std::string> native = nativePath(cp932Path);
    if (!native)
        return 0;
    // Only a regular file is opened: opening a device can do something of its own, and a FIFO
    // would wait for a writer (non-blocking, too, for one put in its place meanwhile).
    struct stat st;
    if (::stat(native->c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return 0;
    UniqueFd fd(::open(native->c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (!fd.valid() || ::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode))
        return 0;
    ::posix_fadvise(fd.get(), 0, 0, POSIX_FADV_WILLNEED);
    // Read, not only advised: the advice starts the disk but the pages it brings are not yet
    // touched, and it is the touch that a host reclaiming its guest's idle memory looks at.
    char buffer[64 * 1024];
    size_t done = 0;
    while (done < touch) {
        const size_t want = touch - done < sizeof buffer ? touch - done : sizeof buffer;
        const ssize_t n = ::pread(fd.get(), buffer, want, static_cast<off_t>(done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        done += static_cast<size_t>(n);
    }
    return done;
}

void rehearseReplace(const SystemPath& path) {
    if (path.empty())
        return;
    // A file system without nameless files refuses the open; nothing is made then.
    UniqueFd nameless(
        ::open(resolveLinks(path).folder().c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600));
}

} // namespace platform
