#include "platform/files.h"

#include "platform/posix/native_path.h"
#include "platform/posix/unique_fd.h"

#include <atomic>
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {
namespace {

std::atomic<long long> writeFaultAfter{-1};

bool statPath(std::string_view path, struct stat& st) {
    const std::optional<std::string> native = nativePath(path);
    return native && ::stat(native->c_str(), &st) == 0;
}

// Writes all bytes, retrying short writes; honours the test fault.
bool writeAll(int fd, const void* data, size_t size) {
    const char* p = static_cast<const char*>(data);
    size_t left = size;
    const long long fault = writeFaultAfter.load();
    if (fault >= 0 && static_cast<long long>(size) > fault) {
        left = static_cast<size_t>(fault);
    }
    while (left > 0) {
        const ssize_t n = ::write(fd, p, left);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        p += n;
        left -= static_cast<size_t>(n);
    }
    if (fault >= 0 && static_cast<long long>(size) > fault) {
        errno = ENOSPC;
        return false;
    }
    return true;
}

std::string folderOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string(".") : path.substr(0, slash + 1);
}

} // namespace

bool pathExists(std::string_view path) {
    struct stat st;
    return statPath(path, st);
}

bool isDirectory(std::string_view path) {
    struct stat st;
    return statPath(path, st) && S_ISDIR(st.st_mode);
}

int64_t fileSize(std::string_view path) {
    struct stat st;
    if (!statPath(path, st))
        return -1;
    return static_cast<int64_t>(st.st_size);
}

bool createDirectory(std::string_view path) {
    const std::optional<std::string> native = nativePath(path);
    if (!native)
        return false;
    if (::mkdir(native->c_str(), 0700) == 0)
        return true;
    return errno == EEXIST && isDirectory(path);
}

bool removeFile(std::string_view path) {
    const std::optional<std::string> native = nativePath(path);
    return native && ::unlink(native->c_str()) == 0;
}

bool createEmptyFile(std::string_view path) {
    const std::optional<std::string> native = nativePath(path);
    if (!native)
        return false;
    UniqueFd fd(::open(native->c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600));
    return fd.valid();
}

ReadResult readFileBytes(std::string_view path, void* buffer, size_t size) {
    const std::optional<std::string> native = nativePath(path);
    if (!native)
        return ReadResult::OpenFailed;
    UniqueFd fd(::open(native->c_str(), O_RDONLY | O_CLOEXEC));
    if (!fd.valid())
        return errno == ENOENT ? ReadResult::Missing : ReadResult::OpenFailed;
    char* p = static_cast<char*>(buffer);
    size_t left = size;
    while (left > 0) {
        const ssize_t n = ::read(fd.get(), p, left);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return ReadResult::ShortRead;
        p += n;
        left -= static_cast<size_t>(n);
    }
    return ReadResult::Ok;
}

WriteResult replaceFileAtomically(std::string_view path, const void* data, size_t size) {
    const std::optional<std::string> native = nativePath(path);
    if (!native)
        return WriteResult::OpenFailed;
    struct stat st;
    if (::stat(native->c_str(), &st) != 0)
        return WriteResult::Missing;
    std::string temp = *native + ".tmp-XXXXXX";
    UniqueFd fd(::mkostemp(temp.data(), O_CLOEXEC));
    if (!fd.valid())
        return WriteResult::OpenFailed;
    // mkostemp creates 0600 already; keep it so whatever the old file had.
    if (!writeAll(fd.get(), data, size) || ::fsync(fd.get()) != 0) {
        fd.reset();
        ::unlink(temp.c_str());
        return WriteResult::ShortWrite;
    }
    fd.reset();
    if (::rename(temp.c_str(), native->c_str()) != 0) {
        ::unlink(temp.c_str());
        return WriteResult::OpenFailed;
    }
    // Make the rename itself durable.
    UniqueFd folder(::open(folderOf(*native).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder.valid())
        ::fsync(folder.get());
    return WriteResult::Ok;
}

int removeStaleReplacements(std::string_view path) {
    const std::optional<std::string> native = nativePath(path);
    if (!native)
        return 0;
    const size_t slash = native->rfind('/');
    const std::string folder = slash == std::string::npos ? "." : native->substr(0, slash);
    // The names mkostemp gives: "<file>.tmp-" and six characters.
    const std::string prefix = native->substr(slash == std::string::npos ? 0 : slash + 1) + ".tmp-";
    std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(folder.c_str()), &::closedir);
    if (!dir)
        return 0;
    int removed = 0;
    while (const dirent* entry = ::readdir(dir.get())) {
        const std::string name = entry->d_name;
        if (name.size() == prefix.size() + 6 && name.compare(0, prefix.size(), prefix) == 0 &&
            ::unlinkat(::dirfd(dir.get()), name.c_str(), 0) == 0)
            ++removed;
    }
    return removed;
}

bool copyFile(std::string_view from, std::string_view to) {
    const std::optional<std::string> src = nativePath(from);
    const std::optional<std::string> dst = nativePath(to);
    if (!src || !dst)
        return false;
    UniqueFd in(::open(src->c_str(), O_RDONLY | O_CLOEXEC));
    if (!in.valid())
        return false;
    UniqueFd out(::open(dst->c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
    if (!out.valid())
        return false;
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(in.get(), buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return false;
        if (n == 0)
            break;
        if (!writeAll(out.get(), buffer, static_cast<size_t>(n)))
            return false;
    }
    return ::fsync(out.get()) == 0;
}

CreateResult writeNewFile(std::string_view path, const void* data, size_t size) {
    const std::optional<std::string> native = nativePath(path);
    if (!native)
        return CreateResult::OpenFailed;
    UniqueFd fd(::open(native->c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644));
    if (!fd.valid())
        return errno == EEXIST ? CreateResult::Exists : CreateResult::OpenFailed;
    return writeAll(fd.get(), data, size) ? CreateResult::Ok : CreateResult::ShortWrite;
}

void setWriteFaultAfter(long long bytes) {
    writeFaultAfter.store(bytes);
}

} // namespace platform
