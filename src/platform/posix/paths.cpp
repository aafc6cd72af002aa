#include "platform/paths.h"

#include <QFile>
#include <QStandardPaths>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {
namespace {

// Creates every missing folder of an absolute path (mode 0777 less the umask, as any program
// makes a user's folders). True when it is a folder afterwards.
bool makeFolders(const std::string& path) {
    for (size_t slash = path.find('/', 1);; slash = path.find('/', slash + 1)) {
        const std::string prefix = path.substr(0, slash);
        if (::mkdir(prefix.c_str(), 0777) != 0 && errno != EEXIST)
            return false;
        if (slash == std::string::npos)
            break;
    }
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

} // namespace

std::optional<SystemPath> programPath() {
    char buffer[PATH_MAX + 1];
    const ssize_t n = ::readlink("/proc/self/exe", buffer, PATH_MAX);
    if (n <= 0)
        return std::nullopt;
    return SystemPath(std::string(buffer, static_cast<size_t>(n)));
}

std::optional<SystemPath> documentsFolder() {
    // Reads user-dirs.dirs on every call, so a test's private XDG folders take effect at once.
    const QString docs = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (docs.isEmpty())
        return std::nullopt;
    const QByteArray bytes = QFile::encodeName(docs);
    const std::string path(bytes.constData(), static_cast<size_t>(bytes.size()));
    // Not examined: a folder that cannot be made shows when the data folder and the task file
    // inside it cannot be made either.
    makeFolders(path);
    return SystemPath(path);
}

std::optional<SystemPath> startupFolder() {
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
    const std::string folder = base + "/autostart";
    if (!makeFolders(folder))
        return std::nullopt;
    return SystemPath(folder);
}

PathParts splitPath(const std::string& path) {
    return splitPathAt(path, path.rfind(pathSeparator));
}

} // namespace platform
