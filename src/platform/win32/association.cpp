// What Windows would start for a file: the image check of a program file, and the program the
// shell associates with a document's type.

#include "platform/association.h"

#include "platform/win32/win_util.h"

#include <shellapi.h>
#include <shlwapi.h>

namespace platform {
namespace {

std::optional<std::string> toCp932(const std::wstring& wide) {
    if (wide.empty())
        return std::string();
    BOOL usedDefault = FALSE;
    const int n =
        ::WideCharToMultiByte(932, WC_NO_BEST_FIT_CHARS, wide.data(), static_cast<int>(wide.size()),
                              nullptr, 0, nullptr, &usedDefault);
    if (n <= 0 || usedDefault)
        return std::nullopt;
    std::string bytes(static_cast<size_t>(n), '\0');
    ::WideCharToMultiByte(932, WC_NO_BEST_FIT_CHARS, wide.data(), static_cast<int>(wide.size()),
                          bytes.data(), n, nullptr, &usedDefault);
    return bytes;
}

bool isExecutableFile(const std::wstring& path) {
    DWORD type = 0;
    return ::GetBinaryTypeW(path.c_str(), &type) != 0;
}

} // namespace

bool isExecutableImage(const std::string& path) {
    const std::optional<std::wstring> wide = win::recordPath(path);
    return wide && !wide->empty() && isExecutableFile(*wide);
}

bool hasUserExecuteBit(const std::string&) {
    // Windows files carry no execute bit: a program is known by its name and its image.
    return false;
}

int findAssociatedProgram(const std::string& path, std::string& program) {
    const std::optional<std::wstring> wide = win::recordPath(path);
    if (!wide || wide->empty())
        return AssocFileNotFound;
    if (wide->size() >= MAX_PATH)
        return AssocBadFormat;
    const DWORD attributes = ::GetFileAttributesW(wide->c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return ::GetLastError() == ERROR_PATH_NOT_FOUND ? AssocPathNotFound : AssocFileNotFound;

    // The extension's registered program, as the shell reads it ...
    std::wstring found(MAX_PATH, L'\0');
    const wchar_t* extension = ::PathFindExtensionW(wide->c_str());
    DWORD size = static_cast<DWORD>(found.size());
    bool known = false;
    if (extension && *extension &&
        SUCCEEDED(::AssocQueryStringW(ASSOCF_INIT_IGNOREUNKNOWN, ASSOCSTR_EXECUTABLE, extension,
                                      nullptr, found.data(), &size))) {
        found.resize(size > 0 ? size - 1 : 0);
        // Registrations often name the program through "%SystemRoot%" and the like.
        std::wstring expanded(32768, L'\0');
        const DWORD n = ::ExpandEnvironmentStringsW(found.c_str(), expanded.data(),
                                                    static_cast<DWORD>(expanded.size()));
        if (n > 0 && n <= expanded.size())
            found.assign(expanded.c_str());
        known = !found.empty() && isExecutableFile(found);
    }
    // ... else the shell's own search, which also knows folders and documents without an
    // extension. Its result codes are the ones this seam reports.
    if (!known) {
        found.assign(MAX_PATH, L'\0');
        const INT_PTR rc =
            reinterpret_cast<INT_PTR>(::FindExecutableW(wide->c_str(), nullptr, found.data()));
        if (rc <= 32)
            return static_cast<int>(rc);
        found.resize(::wcsnlen(found.c_str(), found.size()));
    }
    if (found.empty() || !isExecutableFile(found))
        return AssocNoAssociation;
    const std::optional<std::string> cp932 = toCp932(found);
    if (!cp932)
        return AssocOutOfResources;
    program = *cp932;
    return AssocFound;
}

} // namespace platform
