// Starting a task's program: CreateProcessW in a new process group, inside a job object of its
// own, with this program's environment and working folder. A batch file given as the program
// is run by the command interpreter, as CreateProcess does for ".bat" and ".cmd".

#include "platform/process.h"

#include "platform/win32/jobs.h"
#include "platform/win32/win_util.h"

#include <cerrno>
#include <io.h>
#include <mutex>

namespace platform {
namespace {

// One quoted argument as the C runtime's command-line parser reads it back: backslashes are
// literal except before a quote, where they are doubled.
void appendQuoted(std::wstring& line, const std::wstring& argument) {
    line += L'"';
    size_t backslashes = 0;
    for (wchar_t c : argument) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        if (c == L'"') {
            line.append(backslashes * 2 + 1, L'\\');
        } else {
            line.append(backslashes, L'\\');
        }
        backslashes = 0;
        line += c;
    }
    line.append(backslashes * 2, L'\\');
    line += L'"';
}

// Inheritable handles exist only while one program is being started, so that no other start
// hands them on as well.
std::mutex& inheritMutex() {
    static std::mutex m;
    return m;
}

SpawnResult failed(DWORD error) {
    SpawnResult result;
    result.error = win::errnoOf(error);
    return result;
}

} // namespace

void raiseDescriptorLimit() {
    // Windows has no descriptor limit to raise; handles are limited only by memory.
}

SpawnResult spawnProcess(const std::string& executable, const std::string& argument,
                         int outputFd) {
    const std::optional<std::wstring> program = win::recordPath(executable);
    const std::optional<std::wstring> wideArgument = win::recordPath(argument);
    if (!program || !wideArgument || program->empty())
        return failed(ERROR_FILE_NOT_FOUND);
    std::wstring line;
    appendQuoted(line, *program);
    if (!argument.empty()) {
        line += L' ';
        appendQuoted(line, *wideArgument);
    }

    std::lock_guard<std::mutex> guard(inheritMutex());
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    win::UniqueHandle output;
    win::UniqueHandle input;
    if (outputFd >= 0) {
        const HANDLE given = reinterpret_cast<HANDLE>(::_get_osfhandle(outputFd));
        HANDLE duplicate = nullptr;
        if (given != INVALID_HANDLE_VALUE &&
            ::DuplicateHandle(::GetCurrentProcess(), given, ::GetCurrentProcess(), &duplicate, 0,
                              TRUE, DUPLICATE_SAME_ACCESS)) {
            output.reset(duplicate);
            SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
            // Nothing to read: a program that asks for input gets its end at once.
            input.reset(::CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                      &inherit, OPEN_EXISTING, 0, nullptr));
            startup.dwFlags = STARTF_USESTDHANDLES;
            startup.hStdInput = input.valid() ? input.get() : nullptr;
            startup.hStdOutput = output.get();
            startup.hStdError = output.get();
        }
    }

    win::UniqueHandle job(::CreateJobObjectW(nullptr, nullptr));
    PROCESS_INFORMATION info{};
    // Suspended until it is in its job, so nothing it starts escapes the job.
    const DWORD flags = CREATE_NEW_PROCESS_GROUP | CREATE_SUSPENDED | CREATE_UNICODE_ENVIRONMENT;
    if (!::CreateProcessW(nullptr, line.data(), nullptr, nullptr,
                          startup.dwFlags & STARTF_USESTDHANDLES ? TRUE : FALSE, flags, nullptr,
                          nullptr, &startup, &info))
        return failed(::GetLastError());
    win::UniqueHandle thread(info.hThread);
    if (job.valid() && ::AssignProcessToJobObject(job.get(), info.hProcess))
        win::rememberJob(info.hProcess, job.release());
    ::ResumeThread(thread.get());

    SpawnResult result;
    result.started = true;
    result.handle = win::handleToInt(info.hProcess);
    result.pid = static_cast<int>(info.dwProcessId);
    return result;
}

} // namespace platform
