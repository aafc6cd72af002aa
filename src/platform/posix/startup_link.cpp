#include "platform/startup_link.h"

#include "platform/files.h"
#include "platform/paths.h"

#include <string>

namespace platform {
namespace {
// Exec= takes a command line: quote the program path as the desktop entry rules require.
std::string quotedExec(const std::string& path) {
    std::string out = "\"";
    for (char c : path) {
        if (c == '"' || c == '`' || c == '$' || c == '\\')
            out += '\\';
        out += c;
    }
    out += '"';
    std::string escaped;
    // In a desktop entry value a backslash itself must be doubled once more, and a percent sign
    // must be doubled even inside quotes, or a folder like "100%done" reads as a field code.
    for (char c : out) {
        escaped += c;
        if (c == '\\' || c == '%')
            escaped += c;
    }
    return escaped;
}
} // namespace

SystemPath startupLinkPath() {
    const std::optional<SystemPath> folder = startupFolder();
    if (!folder)
        return SystemPath();
    return folder->child("Chorelin.desktop");
}

bool createStartupLink(const SystemPath& linkPath, const SystemPath& targetProgram) {
    if (targetProgram.empty() || linkPath.empty())
        return false;
    const std::string entry = "[Desktop Entry]\n"
                              "Type=Application\n"
                              "Name=Chorelin\n"
                              "Exec=" +
                              quotedExec(targetProgram.str()) +
                              "\n"
                              "Icon=chorelin\n"
                              "Terminal=false\n"
                              "X-GNOME-Autostart-enabled=true\n";
    removeFile(linkPath);
    return writeNewFile(linkPath, entry.data(), entry.size()) == CreateResult::Ok;
}

} // namespace platform
