#include "support/temp_home.h"

#include "store/trace.h"

#include <QSettings>
#include <QString>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <sys/stat.h>

namespace testing_support {

TempHome::TempHome() {
    std::string templ = (std::filesystem::temp_directory_path() / "chorelin-test-XXXXXX").string();
    if (!mkdtemp(templ.data()))
        throw std::runtime_error("mkdtemp failed");
    root_ = templ;
    for (const std::string& dir : {home(), documents(), configHome(), dataHome(), runtimeDir(),
                                   scratch(), root_ + "/cache", root_ + "/state"})
        makeDirs(dir);
    ::chmod(runtimeDir().c_str(), 0700);
    for (const char* name : {"HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME",
                             "XDG_STATE_HOME", "XDG_RUNTIME_DIR", "CHORELIN_TRACE"}) {
        const char* value = std::getenv(name);
        savedEnv_.emplace_back(name, value ? std::optional<std::string>(value) : std::nullopt);
    }
    setenv("HOME", home().c_str(), 1);
    setenv("XDG_CONFIG_HOME", configHome().c_str(), 1);
    setenv("XDG_DATA_HOME", dataHome().c_str(), 1);
    setenv("XDG_CACHE_HOME", (root_ + "/cache").c_str(), 1);
    setenv("XDG_STATE_HOME", (root_ + "/state").c_str(), 1);
    setenv("XDG_RUNTIME_DIR", runtimeDir().c_str(), 1);
    // The settings store resolves its folder once per process; point it here explicitly.
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                       QString::fromStdString(configHome()));
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope,
                       QString::fromStdString(configHome()));
    unsetenv("CHORELIN_TRACE");
    resetTraceSink();
}

TempHome::~TempHome() {
    for (const auto& [name, value] : savedEnv_) {
        if (value)
            setenv(name.c_str(), value->c_str(), 1);
        else
            unsetenv(name.c_str());
    }
    resetTraceSink();
    std::error_code ec;
    // Make read-only folders of a test removable again.
    for (auto it = std::filesystem::recursive_directory_iterator(root_, ec);
         it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
        if (it->is_directory(ec))
            ::chmod(it->path().c_str(), 0700);
    }
    std::filesystem::remove_all(root_, ec);
}

void writeFile(const std::string& path, const std::string& content, int mode) {
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        if (!out)
            throw std::runtime_error("cannot write " + path);
        out << content;
    }
    ::chmod(path.c_str(), static_cast<mode_t>(mode));
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

bool exists(const std::string& path) {
    struct stat st;
    return ::lstat(path.c_str(), &st) == 0;
}

void makeDirs(const std::string& path) {
    std::filesystem::create_directories(path);
}

} // namespace testing_support
