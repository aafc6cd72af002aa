// Force-terminate as user 65534 against a set-user-ID helper that became root: the signal is
// refused, the command must return at once (the window and both workers wait on taskLock), and
// the run must go on with its task Running.

#include "engine/launch.h"

#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <grp.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

bool runsAsRoot(int pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("Uid:\t0\t", 0) == 0)
            return true;
    }
    return false;
}

// In a child: becomes 65534, starts the helper as task 0's process and terminates it. The exit
// code has one bit per fault, 77 when the helper cannot become root here (nosuid).
[[noreturn]] void terminateAsNobody(const std::string& helper, const std::string& pidFile) {
    if (::setgroups(0, nullptr) || ::setresgid(65534, 65534, 65534) ||
        ::setresuid(65534, 65534, 65534))
        ::_exit(77);
    AppContext ctx;
    ctx.tasks.resize(1);
    ctx.taskCount = 1;
    const platform::SpawnResult spawned = platform::spawnProcess(helper, "");
    std::ofstream(pidFile) << spawned.pid;
    for (int i = 0; i < 200 && !runsAsRoot(spawned.pid); ++i)
        ::usleep(10000);
    if (!runsAsRoot(spawned.pid))
        ::_exit(77);
    TaskRecord& task = ctx.tasks[0];
    task.state = StateRunning;
    task.processInfo.processHandle = spawned.handle;
    task.processInfo.processId = spawned.pid;
    const auto before = std::chrono::steady_clock::now();
    const int result = MyTerminateTaskProcess(ctx, 0);
    const bool quick = std::chrono::steady_clock::now() - before < std::chrono::milliseconds(200);
    ::_exit((result == TerminateNotPermitted ? 0 : 1) | (task.state == StateRunning ? 0 : 2) |
            (quick ? 0 : 4) | (runsAsRoot(spawned.pid) ? 0 : 8));
}

TEST(ForceTerminate, AProgramRunningAsAnotherUserGoesOnAndTheCommandReturnsAtOnce) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "a set-user-ID helper needs root to be made";
    std::string folder = std::filesystem::temp_directory_path() / "chorelin-suid-XXXXXX";
    ASSERT_NE(::mkdtemp(folder.data()), nullptr);
    ::chmod(folder.c_str(), 0755);
    const std::string helper = folder + "/helper", pidFile = folder + "/pid";
    std::filesystem::copy_file(CHORELIN_BECOME_ROOT, helper);
    ::chmod(helper.c_str(), 04755);

    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0)
        terminateAsNobody(helper, pidFile);
    int status = 0;
    bool returned = false;
    for (int i = 0; i < 2000 && !(returned = ::waitpid(child, &status, WNOHANG) == child); ++i)
        ::usleep(10000);
    int helperPid = 0; // outlives the child, as a task's program does
    std::ifstream(pidFile) >> helperPid;
    if (helperPid > 0)
        ::kill(helperPid, SIGKILL);
    if (!returned)
        ::waitpid(child, &status, 0);
    std::filesystem::remove_all(folder);
    ASSERT_TRUE(returned) << "the command did not return";
    if (WEXITSTATUS(status) == 77)
        GTEST_SKIP() << "the helper cannot become another user here";
    EXPECT_EQ(WEXITSTATUS(status), 0) << "1 not refused, 2 task released, 4 slow, 8 helper gone";
}

} // namespace
