// One instance per user, whatever the program file is called: a lock file in the state folder
// held open with no sharing at all. A second opener gets a sharing violation; the system closes
// the handle when the process ends however it ends, so a crash leaves no stale lock. The named
// mutex of the task file's lock keeps its name, so this lock is a file and no second mutex.

#include "platform/instance_lock.h"

#include "platform/trusted_folder.h"
#include "platform/win32/link_check.h"
#include "platform/win32/security.h"
#include "platform/win32/win_util.h"

namespace platform {
namespace {

bool isPrivateFile(HANDLE file, HANDLE folder, const std::wstring& name) {
    BY_HANDLE_FILE_INFORMATION info{};
    return ::GetFileInformationByHandle(file, &info) &&
           !(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
           win::openedAsItself(file, folder, name) && ::GetFileType(file) == FILE_TYPE_DISK &&
           win::fileVerdict(file) == FileTrust::Trusted;
}

} // namespace

std::unique_ptr<InstanceLock> InstanceLock::acquire(const TrustedFolder& folder,
                                                    const std::string& name, Status& status) {
    const std::optional<std::wstring> wideName = win::widen(name);
    if (!wideName || wideName->empty() || wideName->find_first_of(L"/\\:") != std::wstring::npos) {
        status = Status::Failed;
        return nullptr;
    }
    const std::wstring path = win::nativePath(SystemPath(folder.path())) + L"\\" + *wideName;
    win::PrivateSecurity security;
    // A link, a folder or another user's file under the name is replaced by a private file, so
    // that nobody else can hold the lock; a few rounds, as someone could keep putting one back.
    for (int round = 0; round < 3; ++round) {
        // A link is taken away before anything is opened, and a new file is made only where
        // nothing stands: a system that follows a link anyway would otherwise make its target.
        const DWORD before = ::GetFileAttributesW(path.c_str());
        if (before != INVALID_FILE_ATTRIBUTES && (before & FILE_ATTRIBUTE_REPARSE_POINT) &&
            !::DeleteFileW(path.c_str()) && !::RemoveDirectoryW(path.c_str()))
            break;
        const auto open = [&](DWORD disposition) {
            return win::UniqueHandle(::CreateFileW(
                path.c_str(), GENERIC_READ | READ_CONTROL, 0, security.attributes(), disposition,
                FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
        };
        win::UniqueHandle file = open(OPEN_EXISTING);
        DWORD error = file.valid() ? ERROR_SUCCESS : ::GetLastError();
        if (error == ERROR_FILE_NOT_FOUND) {
            file = open(CREATE_NEW);
            error = file.valid() ? ERROR_SUCCESS : ::GetLastError();
        }
        if (error == ERROR_SHARING_VIOLATION) {
            status = Status::HeldElsewhere;
            return nullptr;
        }
        if (file.valid() &&
            isPrivateFile(file.get(), win::intToHandle(folder.descriptor()), *wideName)) {
            status = Status::Acquired;
            return std::unique_ptr<InstanceLock>(
                new InstanceLock(win::handleToInt(file.release())));
        }
        file.reset();
        const bool replaceable = error == ERROR_SUCCESS || error == ERROR_ACCESS_DENIED ||
                                 error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS;
        if (!replaceable || (!::DeleteFileW(path.c_str()) && !::RemoveDirectoryW(path.c_str()) &&
                             ::GetLastError() != ERROR_FILE_NOT_FOUND))
            break;
    }
    status = Status::Failed;
    return nullptr;
}

} // namespace platform
