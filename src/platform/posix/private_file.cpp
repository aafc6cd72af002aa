#include "platform/private_file.h"

#include "platform/posix/trust_rules.h"
#include "platform/posix/unique_fd.h"

#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <mutex>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {
namespace {

// Links may lead to links; past this many the path counts as a loop, and opening the last one
// without following it fails.
constexpr int kMaxLinkHops = 40;

// The file is opened once: a link put in its place after it was resolved is not followed, a
// FIFO or a device does not block the open, and no started program inherits the descriptor.
constexpr int kOpenFlags = O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY;

std::mutex& hookMutex() {
    static std::mutex m;
    return m;
}
std::function<void()>& readHook() {
    static std::function<void()> hook;
    return hook;
}

std::string readLink(const std::string& path) {
    std::string buffer(PATH_MAX, '\0');
    const ssize_t n = ::readlink(path.c_str(), buffer.data(), buffer.size());
    if (n <= 0 || static_cast<size_t>(n) >= buffer.size())
        return std::string();
    buffer.resize(static_cast<size_t>(n));
    return buffer;
}

// The same entry named through the folder that really holds it (links and ".." in the folder
// part resolved), as messages should name it; unchanged when the folder cannot be resolved.
SystemPath inRealFolder(const SystemPath& path) {
    char resolved[PATH_MAX];
    if (::realpath(path.folder().c_str(), resolved) == nullptr)
        return path;
    return SystemPath(resolved).child(path.name());
}

} // namespace

SystemPath resolveLinks(const SystemPath& path) {
    SystemPath current = path;
    bool followed = false;
    for (int hop = 0; hop < kMaxLinkHops; ++hop) {
        struct stat st;
        if (::lstat(current.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
            break;
        const std::string target = readLink(current.str());
        if (target.empty())
            break;
        current = target[0] == '/' ? SystemPath(target) : current.folder().child(target);
        followed = true;
    }
    return followed ? inRealFolder(current) : current;
}

PrivateFile::PrivateFile(const SystemPath& path) : target_(resolveLinks(path)) {
    // The folder that really holds the file is opened first and the file is looked up in it, so
    // the folder that was judged is the one the file came from.
    const SystemPath folderPath = target_.folder();
    // Whoever may write the folder that holds a link may point it somewhere else.
    const SystemPath linkFolder = path.folder();
    if (linkFolder != folderPath) {
        UniqueFd other(::open(linkFolder.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
        if (other.valid()) {
            judgeFolder(linkFolder, other.get());
        } else {
            trust_ = FileTrust::Unexaminable;
            culprit_ = linkFolder;
        }
    }
    UniqueFd folder(::open(folderPath.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
    if (!folder.valid()) {
        error_ = errno;
        if (error_ == ENOENT || error_ == ENOTDIR) {
            status_ = Status::Missing; // a missing folder will be created 0700
            return;
        }
        status_ = Status::OpenFailed;
        if (trust_ == FileTrust::Trusted) {
            trust_ = FileTrust::Unexaminable;
            culprit_ = folderPath;
        }
        return;
    }
    judgeFolder(folderPath, folder.get());

    fd_ = ::openat(folder.get(), target_.name().c_str(), kOpenFlags);
    if (fd_ >= 0) {
        judgeFile();
        return;
    }
    error_ = errno;
    switch (error_) {
    case ENOENT:
        status_ = Status::Missing;
        return;
    case ENXIO: // a socket cannot be opened at all
        status_ = Status::NotRegular;
        return;
    case ELOOP: // a link appeared where the file was after the links were followed
        status_ = Status::OpenFailed;
        trust_ = FileTrust::Unexaminable;
        culprit_ = target_;
        return;
    default:
        status_ = Status::OpenFailed;
        break;
    }
    // Unreadable, but its owner and mode can still be told, so the message names the real fault.
    struct stat st;
    if (::fstatat(folder.get(), target_.name().c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0) {
        const FileTrust verdict = fileVerdict(st);
        if (verdict != FileTrust::Trusted) {
            trust_ = verdict;
            culprit_ = target_;
        }
    }
}

PrivateFile::~PrivateFile() {
    if (fd_ >= 0)
        ::close(fd_);
}

void PrivateFile::judgeFolder(const SystemPath& folder, int folderFd) {
    struct stat st;
    const FileTrust verdict =
        ::fstat(folderFd, &st) == 0 ? folderVerdict(st) : FileTrust::Unexaminable;
    if (verdict != FileTrust::Trusted && trust_ == FileTrust::Trusted) {
        trust_ = verdict;
        culprit_ = folder;
    }
}

void PrivateFile::judgeFile() {
    struct stat st;
    if (::fstat(fd_, &st) != 0) {
        error_ = errno;
        status_ = Status::OpenFailed;
        trust_ = FileTrust::Unexaminable;
        culprit_ = target_;
        return;
    }
    // The file's own owner and mode come first: they are what the message must name.
    const FileTrust verdict = fileVerdict(st);
    if (verdict != FileTrust::Trusted) {
        trust_ = verdict;
        culprit_ = target_;
    }
    if (!S_ISREG(st.st_mode)) {
        status_ = Status::NotRegular;
        return;
    }
    status_ = Status::Opened;
    size_ = static_cast<int64_t>(st.st_size);
    ownerWritable_ = (st.st_mode & S_IWUSR) != 0;
}

ReadResult PrivateFile::read(void* buffer, size_t size) const {
    if (fd_ < 0 || status_ != Status::Opened)
        return ReadResult::Failed;
    std::function<void()> hook;
    {
        std::lock_guard<std::mutex> guard(hookMutex());
        hook = readHook();
    }
    if (hook)
        hook();
    char* p = static_cast<char*>(buffer);
    size_t done = 0;
    while (done < size) {
        const ssize_t n = ::pread(fd_, p + done, size - done, static_cast<off_t>(done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return ReadResult::Failed;
        if (n == 0)
            return ReadResult::ShortRead;
        done += static_cast<size_t>(n);
    }
    return ReadResult::Ok;
}

void setPrivateFileReadHook(std::function<void()> hook) {
    std::lock_guard<std::mutex> guard(hookMutex());
    readHook() = std::move(hook);
}

} // namespace platform
