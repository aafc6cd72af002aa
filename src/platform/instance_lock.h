#pragma once
// One running instance per task file: an exclusive lock on a file inside the data folder, the
// folder that holds the task file. Whatever their environment, two processes that would serve
// one task file meet at the same lock, and a lock file that another user put there (or a link)
// is replaced by a private one, so nobody else can hold it. A folder that takes no new file is
// locked itself.

#include "platform/system_path.h"

#include <memory>
#include <string>

namespace platform {

class TrustedFolder;

class InstanceLock {
public:
    enum class Status {
        Acquired,
        HeldElsewhere, // another process of this user holds it
        Failed,        // the lock file cannot be made or locked
        FolderMissing, // the folder does not exist (or is no folder): no task file there either
    };

    // Tries to take the lock `name` inside `folder`. On Acquired the returned object owns it
    // until it is destroyed (or the process ends); its descriptor is never inherited.
    static std::unique_ptr<InstanceLock> acquire(const SystemPath& folder, const std::string& name,
                                                 Status& status);
    // The same inside a folder that is already open and trusted (the state folder), so that one
    // user runs one instance whatever the program file is called.
    static std::unique_ptr<InstanceLock> acquire(const TrustedFolder& folder,
                                                 const std::string& name, Status& status);
    ~InstanceLock();
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;

private:
    static std::unique_ptr<InstanceLock> lockIn(int folder, const std::string& name,
                                                Status& status);
    explicit InstanceLock(int fd) : fd_(fd) {}
    int fd_;
};

} // namespace platform
