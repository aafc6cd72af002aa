// One instance per task file: the lock lives in the data folder beside the task file, is
// exclusive across processes whatever their environment, released with its owner, never
// inherited by started programs, and nothing another user puts there can hold it.

#include "platform/instance_lock.h"
#include "support/temp_home.h"

#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using platform::InstanceLock;
using platform::SystemPath;
using namespace testing_support;

namespace {

constexpr char kName[] = "Chorelin.Mutex";

// Runs `body` in a child process and returns its exit code.
template <typename F> int inChild(F body) {
    const pid_t pid = fork();
    if (pid == 0)
        _exit(body());
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

int statusInChild(const std::string& folder) {
    return inChild([&] {
        InstanceLock::Status status;
        auto lock = InstanceLock::acquire(SystemPath(folder), kName, status);
        return static_cast<int>(status);
    });
}

struct DataFolder {
    TempHome home;
    std::string folder = home.documents() + "/chorelin";
    std::string lockFile = folder + "/" + kName;
    DataFolder() {
        makeDirs(folder);
        ::chmod(folder.c_str(), 0700);
    }
};

TEST(InstanceLock, SecondProcessIsRefusedWhateverItsEnvironment) {
    DataFolder data;
    InstanceLock::Status status;
    auto lock = InstanceLock::acquire(SystemPath(data.folder), kName, status);
    ASSERT_EQ(status, InstanceLock::Status::Acquired);
    ASSERT_TRUE(lock);
    struct stat st;
    ASSERT_EQ(::lstat(data.lockFile.c_str(), &st), 0);
    EXPECT_TRUE(S_ISREG(st.st_mode));
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    // With or without a runtime folder, a second process meets the same lock.
    for (const char* runtime : {"set", "unset"}) {
        SCOPED_TRACE(runtime);
        if (std::string(runtime) == "unset")
            unsetenv("XDG_RUNTIME_DIR");
        EXPECT_EQ(statusInChild(data.folder),
                  static_cast<int>(InstanceLock::Status::HeldElsewhere));
    }
    lock.reset();
    EXPECT_EQ(statusInChild(data.folder), static_cast<int>(InstanceLock::Status::Acquired));
}

TEST(InstanceLock, NothingPlantedCanHoldIt) {
    struct Case {
        const char* what;
        std::function<void(const DataFolder&)> plant;
    };
    const std::vector<Case> cases = {
        {"a lock file in the old shared place",
         [](const DataFolder&) {
             const std::string old = "/tmp/Chorelin.Mutex-" + std::to_string(::getuid());
             std::filesystem::remove(old);
             std::filesystem::create_symlink("/nonexistent/elsewhere", old);
         }},
        {"a file another user owns",
         [](const DataFolder& d) {
             writeFile(d.lockFile, "", 0666);
             if (::geteuid() == 0) {
                 ASSERT_EQ(::chown(d.lockFile.c_str(), 65534, 65534), 0);
             }
         }},
        {"a file others may open, locked by them",
         [](const DataFolder& d) { writeFile(d.lockFile, "", 0644); }},
        {"a link to another file",
         [](const DataFolder& d) {
             writeFile(d.home.scratch() + "/victim", "keep me", 0600);
             std::filesystem::create_symlink(d.home.scratch() + "/victim", d.lockFile);
         }},
        {"a FIFO", [](const DataFolder& d) { ASSERT_EQ(::mkfifo(d.lockFile.c_str(), 0600), 0); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        DataFolder data;
        c.plant(data);
        // Whoever planted a file may hold a lock on it already.
        const int planted = ::open(data.lockFile.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        if (planted >= 0)
            ::flock(planted, LOCK_EX | LOCK_NB);
        InstanceLock::Status status;
        auto lock = InstanceLock::acquire(SystemPath(data.folder), kName, status);
        EXPECT_EQ(status, InstanceLock::Status::Acquired);
        struct stat st;
        ASSERT_EQ(::lstat(data.lockFile.c_str(), &st), 0);
        EXPECT_TRUE(S_ISREG(st.st_mode));
        EXPECT_EQ(st.st_uid, ::geteuid());
        EXPECT_EQ(st.st_mode & 0777, 0600u);
        if (exists(data.home.scratch() + "/victim")) {
            EXPECT_EQ(readFile(data.home.scratch() + "/victim"), "keep me");
        }
        if (planted >= 0)
            ::close(planted);
    }
    std::filesystem::remove("/tmp/Chorelin.Mutex-" + std::to_string(::getuid()));
}

TEST(InstanceLock, AMissingFolderIsToldApartAndNothingIsCreated) {
    TempHome home;
    InstanceLock::Status status;
    auto lock =
        InstanceLock::acquire(SystemPath(home.documents() + "/none/chorelin"), kName, status);
    EXPECT_FALSE(lock);
    EXPECT_EQ(status, InstanceLock::Status::FolderMissing);
    EXPECT_FALSE(exists(home.documents() + "/none"));
}

TEST(InstanceLock, DescriptorIsNotInheritedByExec) {
    DataFolder data;
    InstanceLock::Status status;
    auto lock = InstanceLock::acquire(SystemPath(data.folder), kName, status);
    ASSERT_EQ(status, InstanceLock::Status::Acquired);
    bool found = false;
    for (int fd = 3; fd < 256; ++fd) {
        const int flags = fcntl(fd, F_GETFD);
        if (flags < 0)
            continue;
        char link[64];
        char target[512] = {};
        snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
        if (readlink(link, target, sizeof target - 1) > 0 && std::string(target) == data.lockFile) {
            found = true;
            EXPECT_TRUE(flags & FD_CLOEXEC) << target;
        }
    }
    EXPECT_TRUE(found);
}

} // namespace
