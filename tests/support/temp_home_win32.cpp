// The private home of a test on Windows: a fresh temporary folder holds the documents, start-up,
// application data and settings of the test, and the current user's registry hive is replaced,
// for this process only, by a key of its own, so the settings store starts empty and the known
// folders point into the temporary folder. Nothing of the user's own is read or written.

#include "support/temp_home.h"

#include "store/trace.h"
#include "support/win32_test_paths.h"

#include <windows.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>
#include <vector>

namespace testing_support {
namespace {

std::filesystem::path fsPath(const std::string& utf8) {
    return std::filesystem::path(wide(utf8));
}

std::string randomName() {
    std::random_device random;
    static const char kChars[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    std::string name;
    for (int i = 0; i < 8; ++i)
        name += kChars[random() % (sizeof kChars - 1)];
    return name;
}

// The registry keys that stand for HKEY_CURRENT_USER, innermost TempHome last; each was made
// under the one before it (or under the real hive).
struct Hive {
    HKEY key;
    std::wstring name;
};
std::vector<Hive>& hives() {
    static std::vector<Hive> stack;
    return stack;
}

} // namespace

TempHome::TempHome() {
    const std::u8string temp = std::filesystem::temp_directory_path().generic_u8string();
    std::string base(temp.begin(), temp.end());
    if (!base.empty() && base.back() == '/')
        base.pop_back();
    for (int attempt = 0; attempt < 100 && root_.empty(); ++attempt) {
        const std::string candidate = base + "/chorelin-test-" + randomName();
        std::error_code ec;
        if (std::filesystem::create_directory(fsPath(candidate), ec))
            root_ = candidate;
    }
    if (root_.empty())
        throw std::runtime_error("no temporary folder");
    for (const std::string& dir : {home(), documents(), configHome(), dataHome(), runtimeDir(),
                                   scratch(), root_ + "/cache", root_ + "/state", autostartDir()})
        makeDirs(dir);
    // Nothing reads the XDG variables on Windows; only the trace is switched off.
    const char* trace = std::getenv("CHORELIN_TRACE");
    savedEnv_.emplace_back("CHORELIN_TRACE",
                           trace ? std::optional<std::string>(trace) : std::nullopt);
    ::_putenv_s("CHORELIN_TRACE", "");

    // A hive of its own: made under the real one, then put in its place for this process.
    Hive hive{nullptr, L"Software\\ChorelinTests\\" + wide(randomName())};
    if (::RegCreateKeyExW(HKEY_CURRENT_USER, hive.name.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                          nullptr, &hive.key, nullptr) != ERROR_SUCCESS ||
        ::RegOverridePredefKey(HKEY_CURRENT_USER, hive.key) != ERROR_SUCCESS)
        throw std::runtime_error("cannot replace the registry hive");
    hives().push_back(hive);
    // The shell reads the user's folders from the (replaced) hive; a folder named there is the
    // known folder of this process.
    const std::pair<const wchar_t*, std::string> folders[] = {
        {L"Personal", documents()},
        {L"Startup", autostartDir()},
        {L"AppData", configHome()},
        {L"Local AppData", root_ + "/state"},
    };
    for (const wchar_t* key :
         {L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders",
          L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders"}) {
        for (const auto& [name, path] : folders) {
            const std::wstring native = wide(windowsPath(path));
            if (::RegSetKeyValueW(HKEY_CURRENT_USER, key, name, REG_SZ, native.c_str(),
                                  static_cast<DWORD>((native.size() + 1) * sizeof(wchar_t))) !=
                ERROR_SUCCESS)
                throw std::runtime_error("cannot point a known folder to " + path);
        }
    }
    resetTraceSink();
}

TempHome::~TempHome() {
    for (const auto& [name, value] : savedEnv_)
        ::_putenv_s(name.c_str(), value ? value->c_str() : "");
    resetTraceSink();
    if (!hives().empty()) {
        const Hive hive = hives().back();
        hives().pop_back();
        ::RegOverridePredefKey(HKEY_CURRENT_USER, hives().empty() ? nullptr : hives().back().key);
        ::RegCloseKey(hive.key);
        ::RegDeleteTreeW(HKEY_CURRENT_USER, hive.name.c_str());
    }
    std::error_code ec;
    // Make read-only files of a test removable again.
    for (auto it = std::filesystem::recursive_directory_iterator(fsPath(root_), ec);
         it != std::filesystem::recursive_directory_iterator(); it.increment(ec))
        ::SetFileAttributesW(it->path().c_str(), FILE_ATTRIBUTE_NORMAL);
    std::filesystem::remove_all(fsPath(root_), ec);
}

void writeFile(const std::string& path, const std::string& content, int mode) {
    {
        std::ofstream out(fsPath(path), std::ios::binary | std::ios::trunc);
        if (!out)
            throw std::runtime_error("cannot write " + path);
        out << content;
    }
    // Windows knows only "read-only" of the mode: no write bit for the owner.
    if ((mode & 0200) == 0)
        ::SetFileAttributesW(fsPath(path).c_str(), FILE_ATTRIBUTE_READONLY);
}

std::string readFile(const std::string& path) {
    std::ifstream in(fsPath(path), std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

bool exists(const std::string& path) {
    return ::GetFileAttributesW(fsPath(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

void makeDirs(const std::string& path) {
    std::filesystem::create_directories(fsPath(path));
}

} // namespace testing_support
