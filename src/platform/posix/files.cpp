#include "platform/files.h"

#include "platform/posix/native_path.h"
#include "platform/posix/unique_fd.h"
#include "platform/posix/write_all.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {
namespace {

bool statRecordPath(std::string_view cp932Path, struct stat& st) {
    const std::optional<std::string> native = nativePath(cp932Path);
    return native && ::stat(native->c_str(), &st) == 0;
}

} // namespace

bool pathExists(std::string_view cp932Path) {
    struct stat st;
    return statRecordPath(cp932Path, st);
}

bool isDirectory(std::string_view cp932Path) {
    struct stat st;
    return statRecordPath(cp932Path, st) && S_ISDIR(st.st_mode);
}

bool pathExists(const SystemPath& path) {
    struct stat st;
    return !path.empty() && ::stat(path.c_str(), &st) == 0;
}

bool createDirectory(const SystemPath& path) {
    if (path.empty())
        return false;
    if (::mkdir(path.c_str(), 0700) == 0)
        return true;
    struct stat st;
    return errno == EEXIST && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool removeFile(const SystemPath& path) {
    return !path.empty() && ::unlink(path.c_str()) == 0;
}

CreateResult writeNewFile(const SystemPath& path, const void* data, size_t size) {
    if (path.empty())
        return CreateResult::OpenFailed;
    UniqueFd fd(::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644));
    if (!fd.valid())
        return errno == EEXIST ? CreateResult::Exists : CreateResult::OpenFailed;
    return writeAll(fd.get(), data, size) ? CreateResult::Ok : CreateResult::ShortWrite;
}

const char* appendLogMode() {
    return "ae";
}

EntryKind entryKind(const std::string& path) {
    struct stat st;
    if (::lstat(path.c_str(), &st) != 0)
        return EntryKind::Missing;
    return S_ISREG(st.st_mode) ? EntryKind::RegularFile : EntryKind::Other;
}

bool renameEntry(const std::string& from, const std::string& to) {
    return ::rename(from.c_str(), to.c_str()) == 0;
}

FileTail readFileTail(const std::string& path, int64_t maxBytes) {
    FileTail tail;
    const UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK));
    struct stat st;
    if (!fd.valid() || ::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode))
        return tail;
    tail.readable = true;
    tail.fileBytes = st.st_size;
    const int64_t start = std::max<int64_t>(st.st_size - std::max<int64_t>(maxBytes, 0), 0);
    tail.bytes.resize(static_cast<size_t>(st.st_size - start));
    size_t got = 0;
    while (got < tail.bytes.size()) {
        const ssize_t n = ::pread(fd.get(), tail.bytes.data() + got, tail.bytes.size() - got,
                                  static_cast<off_t>(start + static_cast<int64_t>(got)));
        if (n <= 0)
            break;
        got += static_cast<size_t>(n);
    }
    tail.bytes.resize(got);
    return tail;
}

} // namespace platform
