#include "platform/startup_link.h"

#include "platform/files.h"
#include "platform/paths.h"
#include "platform/text_codec.h"

#include <string>

namespace platform {
namespace {
// Exec= takes a command line: quote the program path as the desktop entry rules require.
std::string quotedExec(const std::string& utf8) {
    std::string out = "\"";
    for (char c : utf8) {
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

std::string startupLinkPath() {
    const std::optional<std::string> folder = startupFolder();
    if (!folder)
        return std::string();
    return *folder + "/Chorelin.desktop";
}

bool createStartupLink(const std::string& linkPath, const std::string& targetProgram) {
    const std::optional<std::string> target = cp932ToUtf8(targetProgram);
    if (!target || linkPath.empty())
        return false;
    const std::string entry = "[Desktop Entry]\n"
                              "Type=Application\n"
                              "Name=Chorelin\n"
                              "Exec=" +
                              quotedExec(*target) +
                              "\n"
                              "Icon=chorelin\n"
                              "Terminal=false\n"
                              "X-GNOME-Autostart-enabled=true\n";
    removeFile(linkPath);
    return writeNewFile(linkPath, entry.data(), entry.size()) == CreateResult::Ok;
}

} // namespace platform
