#include "platform/files.h"

#include "platform/posix/native_path.h"
#include "platform/posix/unique_fd.h"
#include "platform/posix/write_all.h"

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

} // namespace platform
