// Force-terminate against a program that runs as another user: a set-user-ID helper started by
// an unprivileged Chorelin. The signal is refused; the command must say so at once, leave the
// run going and the task Running, and hold taskLock no longer than a moment.

#include "engine/launch.h"
#include "store/app_context.h"

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <grp.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace std::chrono_literals;

namespace {

constexpr int kSkip = 77;

// The real user id of a process, from its status; -1 when it is gone.
int realUid(int pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("Uid:", 0) == 0) {
            int real = -1;
            std::sscanf(line.c_str(), "Uid: %d", &real);
            return real;
        }
    }
    return -1;
}

// In a child that has become user 65534: starts the helper as a task's process and tries to
// terminate it. The exit code says what happened; the helper's pid goes to `pidFile`.
[[noreturn]] void terminateAsNobody(const std::string& helper, const std::string& pidFile) {
    if (::setgroups(0, nullptr) != 0 || ::setresgid(65534, 65534, 65534) != 0 ||
        ::setresuid(65534, 65534, 65534) != 0)
        ::_exit(kSkip);
    AppContext ctx;
    ctx.tasks.resize(1);
    ctx.taskCount = 1;
    const platform::SpawnResult spawned = platform::spawnProcess(helper, "");
    if (!spawned.started)
        ::_exit(2);
    std::ofstream(pidFile) << spawned.pid;
    for (int i = 0; i < 200 && realUid(spawned.pid) != 0; ++i)
        ::usleep(10000); // until it has made itself root
    if (realUid(spawned.pid) != 0)
        ::_exit(kSkip); // a folder mounted nosuid: nothing to try
    TaskRecord& task = ctx.tasks[0];
    task.state = StateRunning;
    task.processInfo.processHandle = spawned.handle;
    task.processInfo.processId = spawned.pid;
    const auto before = std::chrono::steady_clock::now();
    const int result = MyTerminateTaskProcess(ctx, 0);
    const auto took = std::chrono::steady_clock::now() - before;
    // Each fault has its own bit, so that a failure says which.
    int faults = 0;
    faults |= result == TerminateNotPermitted ? 0 : 1;
    faults |=
        task.state == StateRunning && task.processInfo.processHandle == spawned.handle ? 0 : 2;
    faults |= took < 200ms ? 0 : 4;
    faults |= realUid(spawned.pid) == 0 ? 0 : 8; // still there
    ::_exit(faults);
}

TEST(ForceTerminate, AProgramRunningAsAnotherUserGoesOnAndTheCommandReturnsAtOnce) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "a set-user-ID helper needs root to be made";
    // A folder user 65534 can reach, holding a set-user-ID root copy of the helper.
    std::string folder = (std::filesystem::temp_directory_path() / "chorelin-suid-XXXXXX").string();
    ASSERT_NE(::mkdtemp(folder.data()), nullptr);
    ::chmod(folder.c_str(), 0755);
    const std::string helper = folder + "/helper";
    std::filesystem::copy_file(CHORELIN_BECOME_ROOT, helper);
    ::chmod(helper.c_str(), 04755);
    const std::string pidFile = folder + "/pid";

    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0)
        terminateAsNobody(helper, pidFile);
    int status = 0;
    const auto deadline = std::chrono::steady_clock::now() + 20s;
    bool returned = false;
    while (!(returned = ::waitpid(child, &status, WNOHANG) == child) &&
           std::chrono::steady_clock::now() < deadline)
        ::usleep(10000);
    // The helper outlives the child, as a task's program does; the test ends it.
    int helperPid = 0;
    std::ifstream(pidFile) >> helperPid;
    if (helperPid > 0)
        ::kill(helperPid, SIGKILL);
    if (!returned)
        ::waitpid(child, &status, 0);
    std::filesystem::remove_all(folder);
    ASSERT_TRUE(returned) << "the command did not return";
    if (WEXITSTATUS(status) == kSkip)
        GTEST_SKIP() << "the helper could not become another user here";
    EXPECT_EQ(WEXITSTATUS(status), 0) << "1 not refused, 2 task released, 4 slow, 8 helper gone";
}

} // namespace
