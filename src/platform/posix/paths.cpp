#include "platform/paths.h"

#include "platform/files.h"
#include "platform/text_codec.h"

#include <QDir>
#include <QStandardPaths>
#include <cstdlib>
#include <limits.h>
#include <unistd.h>

namespace platform {
namespace {

// Creates every missing folder of an absolute UTF-8 path with mode 0700.
bool makeFolders(const std::string& utf8) {
    return QDir().mkpath(QString::fromStdString(utf8));
}

std::optional<std::string> ensureFolder(const std::string& utf8) {
    if (utf8.empty() || !makeFolders(utf8))
        return std::nullopt;
    return utf8ToCp932(utf8);
}

} // namespace

std::optional<std::string> programPath() {
    char buffer[PATH_MAX + 1];
    const ssize_t n = ::readlink("/proc/self/exe", buffer, PATH_MAX);
    if (n <= 0)
        return std::nullopt;
    return utf8ToCp932(std::string(buffer, static_cast<size_t>(n)));
}

std::optional<std::string> documentsFolder() {
    // Reads user-dirs.dirs on every call, so a test's private XDG folders take effect at once.
    const QString docs = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return ensureFolder(docs.toStdString());
}

std::optional<std::string> startupFolder() {
    const char* config = std::getenv("XDG_CONFIG_HOME");
    std::string base;
    if (config && config[0] == '/') {
        base = config;
    } else {
        const char* home = std::getenv("HOME");
        if (!home || !*home)
            return std::nullopt;
        base = std::string(home) + "/.config";
    }
    return ensureFolder(base + "/autostart");
}

PathParts splitPath(const std::string& path) {
    PathParts parts;
    const size_t slash = path.rfind(pathSeparator);
    std::string file = path;
    if (slash != std::string::npos) {
        parts.folder = path.substr(0, slash + 1);
        file = path.substr(slash + 1);
    }
    const size_t dot = file.rfind('.');
    // A leading dot names a hidden file, not an extension.
    if (dot != std::string::npos && dot > 0) {
        parts.baseName = file.substr(0, dot);
        parts.extension = file.substr(dot);
    } else {
        parts.baseName = file;
    }
    return parts;
}

} // namespace platform
