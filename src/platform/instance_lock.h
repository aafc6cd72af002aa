#pragma once
// One running instance per user: an exclusive lock on a well-known file in the runtime folder.

#include <memory>
#include <string>

namespace platform {

class InstanceLock {
  public:
    enum class Status { Acquired, HeldElsewhere, Failed };

    // Tries to take the lock named `name`. On Acquired the returned object owns it until
    // it is destroyed (or the process ends).
    static std::unique_ptr<InstanceLock> acquire(const std::string& name, Status& status);
    ~InstanceLock();
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;

  private:
    explicit InstanceLock(int fd) : fd_(fd) {}
    int fd_;
};

} // namespace platform
