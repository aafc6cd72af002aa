#include "platform/settings_files.h"

#include "platform/bounded_read.h"
#include "platform/posix/unique_fd.h"
#include "platform/posix/write_all.h"
#include "platform/private_file.h"

#include <QFileInfo>
#include <QSettings>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {
namespace {

FileStamp stampOf(const struct stat& st) {
    return FileStamp{true,
                     static_cast<uint64_t>(st.st_dev),
                     static_cast<uint64_t>(st.st_ino),
                     static_cast<int64_t>(st.st_size),
                     static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec,
                     static_cast<uint32_t>(st.st_mode),
                     static_cast<uint32_t>(st.st_uid)};
}

// Creates the folder and any missing folders above it, each 0700 (the settings folder and
// ~/.config may not exist before the first start).
bool makeFolders(const std::string& folder) {
    if (folder.empty() || ::mkdir(folder.c_str(), 0700) == 0 || errno == EEXIST)
        return true;
    if (errno != ENOENT)
        return false;
    const size_t slash = folder.rfind('/');
    if (slash == std::string::npos || slash == 0 || !makeFolders(folder.substr(0, slash)))
        return false;
    return ::mkdir(folder.c_str(), 0700) == 0 || errno == EEXIST;
}

std::string folderOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string(".") : path.substr(0, slash);
}

} // namespace

std::string settingsFolder() {
    const QSettings settings(QStringLiteral("Marrowby"), QStringLiteral("Chorelin"));
    return QFileInfo(settings.fileName()).absolutePath().toStdString();
}

FileStamp fileStamp(const std::string& path) {
    struct stat st;
    if (::stat(path.c_str(), &st) != 0)
        return FileStamp{};
    return stampOf(st);
}

FileRead readWholeFile(const std::string& path, size_t maxBytes) {
    FileRead result;
    UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (!fd.valid()) {
        result.status = errno == ENOENT ? ReadStatus::Missing : ReadStatus::Failed;
        return result;
    }
    struct stat st;
    if (::fstat(fd.get(), &st) != 0)
        return result;
    result.stamp = stampOf(st);
    // A fifo or a device would block or never end; only plain files are data.
    if (!S_ISREG(st.st_mode)) {
        result.status = ReadStatus::NotAFile;
        return result;
    }
    result.sharedWithOthers = st.st_uid != ::geteuid() || (st.st_mode & (S_IWGRP | S_IWOTH));
    if (static_cast<uint64_t>(st.st_size) > maxBytes) {
        result.status = ReadStatus::TooLarge;
        return result;
    }
    readToEnd(result, maxBytes, [&fd](char* buffer, size_t size) -> long {
        for (;;) {
            const ssize_t n = ::read(fd.get(), buffer, size);
            if (n >= 0 || errno != EINTR)
                return static_cast<long>(n);
        }
    });
    return result;
}

bool writePrivateFile(const std::string& path, std::string_view bytes) {
    const std::string folder = folderOf(path);
    if (!makeFolders(folder))
        return false;
    return replaceAtomically(path, bytes.data(), bytes.size()) == ReplaceStep::Done;
}

bool removePrivateFile(const std::string& path) {
    return ::unlink(path.c_str()) == 0 || errno == ENOENT;
}

} // namespace platform
