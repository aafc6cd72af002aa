// One instance per user: the lock is exclusive across processes, released with its owner, and
// never inherited by started programs.

#include "platform/instance_lock.h"
#include "support/temp_home.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

using platform::InstanceLock;

namespace {

// Runs `body` in a child process and returns its exit code.
template <typename F> int inChild(F body) {
    const pid_t pid = fork();
    if (pid == 0)
        _exit(body());
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

int childStatus() {
    InstanceLock::Status status;
    auto lock = InstanceLock::acquire("Chorelin.Mutex", status);
    return static_cast<int>(status);
}

TEST(InstanceLock, SecondProcessIsRefusedWhileTheFirstHoldsIt) {
    testing_support::TempHome home;
    InstanceLock::Status status;
    auto lock = InstanceLock::acquire("Chorelin.Mutex", status);
    ASSERT_EQ(status, InstanceLock::Status::Acquired);
    ASSERT_TRUE(lock);
    EXPECT_TRUE(testing_support::exists(home.runtimeDir() + "/Chorelin.Mutex"));
    EXPECT_EQ(inChild(childStatus), static_cast<int>(InstanceLock::Status::HeldElsewhere));
    lock.reset();
    EXPECT_EQ(inChild(childStatus), static_cast<int>(InstanceLock::Status::Acquired));
}

TEST(InstanceLock, FallsBackToTmpWithoutARuntimeFolder) {
    testing_support::TempHome home;
    unsetenv("XDG_RUNTIME_DIR");
    InstanceLock::Status status;
    auto lock = InstanceLock::acquire("Chorelin.Test.Mutex", status);
    ASSERT_EQ(status, InstanceLock::Status::Acquired);
    EXPECT_TRUE(testing_support::exists("/tmp/Chorelin.Test.Mutex-" + std::to_string(getuid())));
}

TEST(InstanceLock, DescriptorIsNotInheritedByExec) {
    testing_support::TempHome home;
    InstanceLock::Status status;
    auto lock = InstanceLock::acquire("Chorelin.Mutex", status);
    ASSERT_EQ(status, InstanceLock::Status::Acquired);
    // Every descriptor this process opened must carry close-on-exec.
    for (int fd = 3; fd < 256; ++fd) {
        const int flags = fcntl(fd, F_GETFD);
        if (flags < 0)
            continue;
        char link[64];
        char target[512] = {};
        snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
        readlink(link, target, sizeof target - 1);
        if (std::string(target).find("Chorelin.Mutex") != std::string::npos) {
            EXPECT_TRUE(flags & FD_CLOEXEC) << target;
        }
    }
}

} // namespace
