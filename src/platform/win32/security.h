#pragma once
// Who owns a file or folder and who else may write it, told from its owner SID and its DACL;
// and the security that Chorelin's own files and folders are made with (only this user, and the
// system, which backs them up).

#include "platform/file_trust.h"

#include <windows.h>

#include <memory>

namespace platform::win {

// The verdict on an open file (opened with READ_CONTROL).
FileTrust fileVerdict(HANDLE file);
// The verdict on an open folder (opened with READ_CONTROL and FILE_FLAG_BACKUP_SEMANTICS).
FileTrust folderVerdict(HANDLE folder);

// Security attributes granting full control to this user and the system only, not inherited
// from the folder; nullptr members when they cannot be built (the object then gets the default).
class PrivateSecurity {
public:
    PrivateSecurity();
    ~PrivateSecurity();
    PrivateSecurity(const PrivateSecurity&) = delete;
    PrivateSecurity& operator=(const PrivateSecurity&) = delete;
    SECURITY_ATTRIBUTES* attributes() { return descriptor_ ? &attributes_ : nullptr; }

private:
    PSECURITY_DESCRIPTOR descriptor_ = nullptr;
    SECURITY_ATTRIBUTES attributes_{};
};

} // namespace platform::win
