#include "platform/file_trust.h"

#include "platform/posix/native_path.h"

#include <cerrno>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {
namespace {

std::string folderOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? std::string("/") : path.substr(0, slash);
}

} // namespace

FileTrust checkPrivateFile(std::string_view path) {
    const std::optional<std::string> native = nativePath(path);
    if (!native)
        return FileTrust::Unexaminable;
    const uid_t self = ::geteuid();

    struct stat file;
    if (::stat(native->c_str(), &file) == 0) {
        if (file.st_uid != self)
            return FileTrust::FileForeignOwner;
        if ((file.st_mode & (S_IWGRP | S_IWOTH)) != 0)
            return FileTrust::FileWritableByOthers;
    } else if (errno != ENOENT) {
        return FileTrust::Unexaminable;
    }

    struct stat folder;
    if (::stat(folderOf(*native).c_str(), &folder) != 0)
        return errno == ENOENT ? FileTrust::Trusted : FileTrust::Unexaminable;
    if (folder.st_uid != self)
        return FileTrust::FolderForeignOwner;
    if ((folder.st_mode & S_IWOTH) != 0)
        return FileTrust::FolderWritableByOthers;
    return FileTrust::Trusted;
}

} // namespace platform
