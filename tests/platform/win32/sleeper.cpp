// A program for the process tests: "exit:N" prints a line and ends with N; "inherits:H" ends
// with 1 when handle value H is open in it (it was inherited), else 0; "<file>.child" writes
// its process id to <file>.child and sleeps; any other "<file>" starts itself with
// "<file>.child" (a grandchild of the test) and sleeps.

#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>

int wmain(int argc, wchar_t** argv) {
    if (argc < 2)
        return 2;
    const std::wstring argument = argv[1];
    if (argument.rfind(L"exit:", 0) == 0) {
        // Straight to the handle: no text-mode line ends.
        const char line[] = "sleeper says hello\n";
        DWORD written = 0;
        ::WriteFile(::GetStdHandle(STD_OUTPUT_HANDLE), line, sizeof line - 1, &written, nullptr);
        return std::wcstol(argument.c_str() + 5, nullptr, 10);
    }
    if (argument.rfind(L"inherits:", 0) == 0) {
        DWORD flags = 0;
        const auto value = std::wcstoull(argument.c_str() + 9, nullptr, 10);
        return ::GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags) ? 1 : 0;
    }
    const std::wstring suffix = L".child";
    if (argument.size() > suffix.size() &&
        argument.compare(argument.size() - suffix.size(), suffix.size(), suffix) == 0) {
        if (FILE* out = _wfopen(argument.c_str(), L"w")) {
            std::fprintf(out, "%lu", ::GetCurrentProcessId());
            std::fclose(out);
        }
        ::Sleep(60000);
        return 0;
    }
    std::wstring line = L"\"" + std::wstring(argv[0]) + L"\" \"" + argument + suffix + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!::CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                          &startup, &info))
        return 3;
    ::CloseHandle(info.hThread);
    ::CloseHandle(info.hProcess);
    ::Sleep(60000);
    return 0;
}
