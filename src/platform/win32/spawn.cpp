// Starting a task's program: CreateProcessW in a new process group, inside a job object of its
// own, with this program's environment and working folder. A batch file given as the program
// is run by the command interpreter, as CreateProcess does for ".bat" and ".cmd".

#include "platform/process.h"

#include "platform/win32/jobs.h"
#include "platform/win32/win_util.h"

#include <cerrno>
#include <io.h>
#include <mutex>
#include <vector>

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

// The attribute that limits what a started program inherits to the handles named; without it
// (a system that lacks it) the inheritance lock alone keeps other starts' handles out.
class HandleList {
public:
    HandleList(HANDLE* handles, DWORD count) {
        if (count == 0)
            return;
        SIZE_T size = 0;
        ::InitializeProcThreadAttributeList(nullptr, 1, 0, &size);
        buffer_.resize(size);
        auto* list = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(buffer_.data());
        if (size == 0 || !::InitializeProcThreadAttributeList(list, 1, 0, &size))
            return;
        if (::UpdateProcThreadAttribute(list, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, handles,
                                        count * sizeof(HANDLE), nullptr, nullptr))
            list_ = list;
        else
            ::DeleteProcThreadAttributeList(list);
    }
    ~HandleList() {
        if (list_)
            ::DeleteProcThreadAttributeList(list_);
    }
    HandleList(const HandleList&) = delete;
    HandleList& operator=(const HandleList&) = delete;
    LPPROC_THREAD_ATTRIBUTE_LIST attributes() const { return list_; }

private:
    std::vector<char> buffer_;
    LPPROC_THREAD_ATTRIBUTE_LIST list_ = nullptr;
};

SpawnResult failed(DWORD error) {
    SpawnResult result;
    result.error = win::errnoOf(error);
    return result;
}

} // namespace

void raiseDescriptorLimit() {
    // Windows has no descriptor limit to raise; handles are limited only by memory.
}

SpawnResult spawnProcess(const std::string& executable, const std::string& argument, int outputFd) {
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

    // Only the program's own standard handles are handed on, never another inheritable handle
    // of this process (another start's, or a library's).
    HANDLE inherited[2] = {};
    DWORD inheritedCount = 0;
    for (HANDLE h : {output.get(), input.get()})
        if (h && h != INVALID_HANDLE_VALUE)
            inherited[inheritedCount++] = h;
    HandleList handleList(inherited, inheritedCount);
    STARTUPINFOEXW extended{};
    extended.StartupInfo = startup;
    extended.StartupInfo.cb = sizeof extended;
    extended.lpAttributeList = handleList.attributes();

    win::UniqueHandle job(::CreateJobObjectW(nullptr, nullptr));
    PROCESS_INFORMATION info{};
    // Suspended until it is in its job, so nothing it starts escapes the job.
    DWORD flags = CREATE_NEW_PROCESS_GROUP | CREATE_SUSPENDED | CREATE_UNICODE_ENVIRONMENT;
    if (extended.lpAttributeList)
        flags |= EXTENDED_STARTUPINFO_PRESENT;
    if (!::CreateProcessW(nullptr, line.data(), nullptr, nullptr, inheritedCount > 0 ? TRUE : FALSE,
                          flags, nullptr, nullptr, &extended.StartupInfo, &info))
        return failed(::GetLastError());
    win::UniqueHandle thread(info.hThread);
    if (job.valid() && ::AssignProcessToJobObject(job.get(), info.hProcess))
        win::rememberJob(info.hProcess, job.release());
    if (::ResumeThread(thread.get()) == static_cast<DWORD>(-1)) {
        // A program that never runs would be watched for ever.
        const DWORD error = ::GetLastError();
        ::TerminateProcess(info.hProcess, 1);
        win::forgetJob(info.hProcess);
        ::CloseHandle(info.hProcess);
        return failed(error);
    }

    SpawnResult result;
    result.started = true;
    result.handle = win::handleToInt(info.hProcess);
    result.pid = static_cast<int>(info.dwProcessId);
    return result;
}

} // namespace platform
