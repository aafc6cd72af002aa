// One running instance: the named mutex of the lock's name in this session's namespace. The
// folder must exist, as the task file it guards lives there.

#include "platform/instance_lock.h"

#include "platform/win32/win_util.h"

namespace platform {

std::unique_ptr<InstanceLock> InstanceLock::acquire(const SystemPath& folder,
                                                    const std::string& name, Status& status) {
    const DWORD attributes = ::GetFileAttributesW(win::nativePath(folder).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        status = Status::FolderMissing;
        return nullptr;
    }
    const std::optional<std::wstring> wideName = win::widen(name);
    if (!wideName || wideName->empty() || wideName->find(L'\\') != std::wstring::npos) {
        status = Status::Failed;
        return nullptr;
    }
    // Not inheritable: a started program must not keep the instance alive.
    win::UniqueHandle mutex(::CreateMutexW(nullptr, TRUE, wideName->c_str()));
    if (!mutex.valid()) {
        // A mutex of that name that this user may not open belongs to someone else's session
        // object: the name is taken.
        status = ::GetLastError() == ERROR_ACCESS_DENIED ? Status::HeldElsewhere : Status::Failed;
        return nullptr;
    }
    if (::GetLastError() == ERROR_ALREADY_EXISTS) {
        status = Status::HeldElsewhere;
        return nullptr;
    }
    status = Status::Acquired;
    return std::unique_ptr<InstanceLock>(new InstanceLock(win::handleToInt(mutex.release())));
}

InstanceLock::~InstanceLock() {
    // The handle is the named mutex, or the state folder's lock file (folder_lock.cpp), which
    // ReleaseMutex refuses harmlessly; closing it frees either.
    HANDLE held = win::intToHandle(fd_);
    ::ReleaseMutex(held);
    ::CloseHandle(held);
}

} // namespace platform
