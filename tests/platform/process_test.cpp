// Starting, collecting and ending real processes: exit status, output descriptor, what the child
// gets from this program, failed starts, the descriptor limit and the wake signal.

#include "platform/process.h"
#include "platform/wake_signal.h"
#include "support/task_builders.h"
#include "support/temp_home.h"

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <future>
#include <gtest/gtest.h>
#include <sstream>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using namespace testing_support;
using namespace std::chrono_literals;

namespace {

// Waits (bounded) for the process to end, then collects it.
platform::ProcessState finish(const platform::SpawnResult& spawned, platform::ProcessEnd& end) {
    EXPECT_EQ(platform::waitForAnyProcess({spawned.handle}, 10000), 0);
    const platform::ProcessState state = platform::collectProcess(spawned.handle, end);
    platform::closeHandle(spawned.handle);
    return state;
}

int openDescriptors() {
    int n = 0;
    if (DIR* dir = ::opendir("/proc/self/fd")) {
        while (::readdir(dir))
            ++n;
        ::closedir(dir);
    }
    return n;
}

// The value of one "Name:\tvalue" line of a /proc status text.
std::string statusField(const std::string& status, const std::string& name) {
    std::istringstream in(status);
    for (std::string line; std::getline(in, line);) {
        if (line.rfind(name + ":", 0) == 0)
            return line.substr(line.find_first_not_of(" \t", name.size() + 1));
    }
    return std::string();
}

class ProcessTest : public ::testing::Test {
protected:
    std::string script(const std::string& name, const std::string& body) const {
        const std::string path = home_.scratch() + "/" + name;
        writeFile(path, "#!/bin/sh\n" + body, 0755);
        return path;
    }
    int openOutput(const std::string& name) const {
        return ::open((home_.scratch() + "/" + name).c_str(),
                      O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
    }
    std::string output(const std::string& name) const {
        return readFile(home_.scratch() + "/" + name);
    }

    TempHome home_;
};

TEST_F(ProcessTest, EndsAreCollectedWithTheirStatusAndOutputGoesToTheGivenDescriptor) {
    struct Case {
        const char* label;
        std::string body;
        platform::ProcessEnd::How how;
        int value;
        std::string output;
    };
    const std::vector<Case> cases = {
        {"exits 3, both streams", "echo out\necho err >&2\nexit 3\n",
         platform::ProcessEnd::How::Exited, 3, "out\nerr\n"},
        {"exits at once", "exit 0\n", platform::ProcessEnd::How::Exited, 0, ""},
        {"ended by a signal", "echo before\nkill -TERM $$\n", platform::ProcessEnd::How::Signalled,
         SIGTERM, "before\n"},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        const std::string log = "out" + std::to_string(n) + ".log";
        const int fd = openOutput(log);
        const platform::SpawnResult spawned =
            platform::spawnProcess(script("job" + std::to_string(n++) + ".sh", c.body), "", fd);
        ::close(fd);
        ASSERT_TRUE(spawned.started) << spawned.error;
        EXPECT_GT(spawned.handle, 2);
        platform::ProcessEnd end;
        EXPECT_EQ(finish(spawned, end), platform::ProcessState::Ended);
        EXPECT_EQ(end.how, c.how);
        EXPECT_EQ(end.value, c.value);
        EXPECT_EQ(output(log), c.output);
    }
    // An output descriptor that is not open costs the output, never the start.
    const platform::SpawnResult unopened =
        platform::spawnProcess(script("quiet.sh", "exit 4\n"), "", 987);
    ASSERT_TRUE(unopened.started);
    platform::ProcessEnd end;
    EXPECT_EQ(finish(unopened, end), platform::ProcessState::Ended);
    EXPECT_EQ(end.value, 4);
}

TEST_F(ProcessTest, ChildHasItsOwnGroupDefaultSignalsAndNoDescriptorOfOurs) {
    // This thread blocks and ignores signals; none of it may reach the program.
    sigset_t blocked, previous;
    sigemptyset(&blocked);
    sigaddset(&blocked, SIGUSR1);
    pthread_sigmask(SIG_BLOCK, &blocked, &previous);
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    struct sigaction oldHup {};
    ::sigaction(SIGHUP, &ignore, &oldHup);
    // Two descriptors of ours, close-on-exec, well above what ls opens for itself.
    const auto high = [](int fd) {
        const int moved = ::fcntl(fd, F_DUPFD_CLOEXEC, 40);
        ::close(fd);
        return moved;
    };
    const int other = high(::open("/dev/null", O_RDONLY | O_CLOEXEC));
    const int fd = high(openOutput("status.log"));
    const int before = openDescriptors();
    const auto ourCpus = [] {
        return statusField(readFile("/proc/thread-self/status"), "Cpus_allowed_list");
    };
    const std::string cpus = ourCpus();

    const platform::SpawnResult spawned = platform::spawnProcess(
        script("status.sh", "ls /proc/self/fd\nexec cat /proc/self/status\n"), "", fd);
    // Kept on one CPU only while the child was made: both it and this thread may use them all.
    EXPECT_EQ(ourCpus(), cpus);

    EXPECT_EQ(openDescriptors(), before + 1); // the handle, nothing else left open
    ::sigaction(SIGHUP, &oldHup, nullptr);
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    ::close(fd);
    ::close(other);
    ASSERT_TRUE(spawned.started);
    platform::ProcessEnd end;
    ASSERT_EQ(finish(spawned, end), platform::ProcessState::Ended);
    EXPECT_EQ(end.value, 0);
    const std::string status = output("status.log");
    // Neither of our descriptors came along (the output one only as 1 and 2).
    std::istringstream listed(status.substr(0, status.find("Name:")));
    std::vector<std::string> fds;
    for (std::string line; std::getline(listed, line);)
        fds.push_back(line);
    ASSERT_GE(fds.size(), 3u);
    EXPECT_EQ(std::count(fds.begin(), fds.end(), std::to_string(fd)), 0);
    EXPECT_EQ(std::count(fds.begin(), fds.end(), std::to_string(other)), 0);
    EXPECT_EQ(fds[0], "0");
    EXPECT_EQ(statusField(status, "NSpgid"), std::to_string(spawned.pid));
    EXPECT_EQ(statusField(status, "SigBlk"), "0000000000000000");
    EXPECT_EQ(statusField(status, "SigIgn"), "0000000000000000");
    EXPECT_EQ(statusField(status, "Cpus_allowed_list"), cpus);
}

// Started from a terminal, this program's input is that terminal; a task that reads its input
// must get end of file at once, not wait for a typist (or be stopped by SIGTTIN), and must not
// share the terminal's session.
TEST_F(ProcessTest, ChildReadsNothingAndHasASessionOfItsOwnWhenOurInputIsATerminal) {
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    ASSERT_GE(master, 0);
    ASSERT_EQ(::grantpt(master), 0);
    ASSERT_EQ(::unlockpt(master), 0);
    const int terminal = ::open(::ptsname(master), O_RDWR | O_NOCTTY | O_CLOEXEC);
    ASSERT_GE(terminal, 0);
    const int savedInput = ::fcntl(0, F_DUPFD_CLOEXEC, 3);
    ASSERT_EQ(::dup2(terminal, 0), 0);
    const int fd = openOutput("input.log");
    const platform::SpawnResult spawned = platform::spawnProcess(
        script("input.sh", "read x\necho \"read=$?\"\nexec cat /proc/self/status\n"), "", fd);
    ::dup2(savedInput, 0);
    for (const int own : {savedInput, terminal, fd})
        ::close(own);
    ASSERT_TRUE(spawned.started);
    const bool ended = platform::waitForAnyProcess({spawned.handle}, 10000) == 0;
    platform::ProcessEnd end = platform::terminateProcess(spawned.handle, spawned.pid);
    platform::closeHandle(spawned.handle);
    ::close(master);
    ASSERT_TRUE(ended) << "the program waits for input";
    EXPECT_EQ(end.value, 0);
    const std::string status = output("input.log");
    EXPECT_EQ(status.rfind("read=1\n", 0), 0u) << status;
    EXPECT_EQ(statusField(status, "NSsid"), std::to_string(spawned.pid));
    EXPECT_EQ(statusField(status, "NSpgid"), std::to_string(spawned.pid));
}

TEST_F(ProcessTest, FailedStartsLeaveNoProcessAndNoDescriptor) {
    writeFile(home_.scratch() + "/plain.sh", "echo no interpreter line\n", 0755);
    writeFile(home_.scratch() + "/closed.sh", "#!/bin/sh\n", 0644);
    writeFile(home_.scratch() + "/bad.sh", "#!/no/such/shell\n", 0755);
    struct Case {
        const char* label;
        std::string program;
        int error;
    };
    const std::vector<Case> cases = {
        {"missing", home_.scratch() + "/missing", ENOENT},
        {"not executable", home_.scratch() + "/closed.sh", EACCES},
        {"no interpreter line", home_.scratch() + "/plain.sh", ENOEXEC},
        {"missing interpreter", home_.scratch() + "/bad.sh", ENOENT},
        {"not cp932 text", home_.scratch() + "/\x81", EILSEQ},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        const int before = openDescriptors();
        const platform::SpawnResult spawned = platform::spawnProcess(c.program, "");
        EXPECT_FALSE(spawned.started);
        EXPECT_EQ(spawned.error, c.error);
        EXPECT_EQ(spawned.handle, 0);
        EXPECT_EQ(openDescriptors(), before);
        EXPECT_EQ(::waitpid(-1, nullptr, WNOHANG), -1); // no child, not even a zombie
    }
}

TEST_F(ProcessTest, TerminateKillsTheGroupAndTellsWhetherItHadEndedBefore) {
    // The task's own child comes back to this process when its parent goes, to be reaped here.
    ::prctl(PR_SET_CHILD_SUBREAPER, 1);
    const std::string pidFile = home_.scratch() + "/child.pid";
    const platform::SpawnResult running =
        platform::spawnProcess(script("long.sh", "sleep 30 &\necho $! > " + pidFile + ".part\nmv " +
                                                     pidFile + ".part " + pidFile + "\nwait\n"),
                               "");
    ASSERT_TRUE(running.started);
    const auto until = std::chrono::steady_clock::now() + 10s;
    while (!exists(pidFile) && std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(10ms);
    ASSERT_TRUE(exists(pidFile));
    bool endedBefore = true;
    platform::ProcessEnd end =
        platform::terminateProcess(running.handle, running.pid, &endedBefore);
    EXPECT_FALSE(endedBefore);
    EXPECT_EQ(end.how, platform::ProcessEnd::How::Signalled);
    EXPECT_EQ(end.value, SIGKILL);
    platform::closeHandle(running.handle);
    // The group went too: the script's sleep is gone (reaped by the script, or here once it
    // came back to this process), long before its 30 seconds.
    const int sleeper = std::stoi(readFile(pidFile));
    const auto deadline = std::chrono::steady_clock::now() + 10s;
    bool gone = false;
    while (!gone && std::chrono::steady_clock::now() < deadline) {
        while (::waitpid(-1, nullptr, WNOHANG) > 0) {
        }
        gone = ::kill(sleeper, 0) != 0 && errno == ESRCH;
        if (!gone)
            std::this_thread::sleep_for(10ms);
    }
    EXPECT_TRUE(gone);
    ::prctl(PR_SET_CHILD_SUBREAPER, 0);

    const platform::SpawnResult quick = platform::spawnProcess(script("quick.sh", "exit 5\n"), "");
    ASSERT_TRUE(quick.started);
    ASSERT_EQ(platform::waitForAnyProcess({quick.handle}, 10000), 0);
    end = platform::terminateProcess(quick.handle, quick.pid, &endedBefore);
    EXPECT_TRUE(endedBefore);
    EXPECT_EQ(end.how, platform::ProcessEnd::How::Exited);
    EXPECT_EQ(end.value, 5);
    // Reaped already: asking again finds no process to collect.
    EXPECT_EQ(platform::collectProcess(quick.handle, end), platform::ProcessState::Gone);
    platform::closeHandle(quick.handle);
    EXPECT_EQ(platform::collectProcess(quick.handle, end), platform::ProcessState::NotAProcess);
}

TEST(WakeSignal, EndsAWaitThatWouldLastAMinute) {
    platform::WakeSignal wake;
    ASSERT_TRUE(wake.valid());
    auto waited = std::async(std::launch::async,
                             [&] { return platform::waitForProcessesOrWake({}, wake, 60000); });
    std::this_thread::sleep_for(20ms);
    wake.signal();
    ASSERT_EQ(waited.wait_for(10s), std::future_status::ready);
    EXPECT_EQ(waited.get(), 1);
    // Still given until cleared; cleared, a wait times out.
    EXPECT_EQ(platform::waitForProcessesOrWake({}, wake, 0), 1);
    wake.clear();
    EXPECT_EQ(platform::waitForProcessesOrWake({}, wake, 0), 0);
}

// Run in a process of its own: the limits are the whole process's.
void childGetsTheGivenLimitBack(const std::string& folder) {
    rlimit limit{};
    ::getrlimit(RLIMIT_NOFILE, &limit);
    limit.rlim_cur = 200;
    if (limit.rlim_max <= 200 || ::setrlimit(RLIMIT_NOFILE, &limit) != 0)
        std::_Exit(3);
    platform::raiseDescriptorLimit();
    rlimit raised{};
    ::getrlimit(RLIMIT_NOFILE, &raised);
    if (raised.rlim_cur != limit.rlim_max)
        std::_Exit(4);
    const std::string log = folder + "/limit.log";
    const int fd = ::open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    writeFile(folder + "/limit.sh", "#!/bin/sh\nulimit -n\nulimit -Hn\n", 0755);
    const platform::SpawnResult spawned = platform::spawnProcess(folder + "/limit.sh", "", fd);
    ::close(fd);
    platform::ProcessEnd end;
    if (!spawned.started || finish(spawned, end) != platform::ProcessState::Ended)
        std::_Exit(5);
    const std::string expected =
        "200\n" +
        (limit.rlim_max == RLIM_INFINITY ? std::string("unlimited")
                                         : std::to_string(limit.rlim_max)) +
        "\n";
    std::fprintf(stderr, "child saw: %s", readFile(log).c_str());
    std::_Exit(readFile(log) == expected ? 0 : 6);
}

// Descriptors are handed out lowest first: taking all but the reserve leaves no start.
void startFailsWithinTheReserve() {
    rlimit limit{64, 64};
    if (::setrlimit(RLIMIT_NOFILE, &limit) != 0)
        std::_Exit(3);
    std::vector<int> held;
    for (int fd = ::open("/dev/null", O_RDONLY | O_CLOEXEC); fd >= 0;
         fd = ::open("/dev/null", O_RDONLY | O_CLOEXEC)) {
        held.push_back(fd);
        if (fd + platform::kReservedDescriptors + 1 >= 64)
            break;
    }
    const platform::SpawnResult refused = platform::spawnProcess("/bin/true", "");
    if (refused.started || refused.error != EMFILE || ::waitpid(-1, nullptr, WNOHANG) != -1)
        std::_Exit(4);
    ::close(held.back());
    ::close(held[held.size() - 2]);
    const platform::SpawnResult started = platform::spawnProcess("/bin/true", "");
    platform::ProcessEnd end;
    std::_Exit(started.started && finish(started, end) == platform::ProcessState::Ended ? 0 : 5);
}

TEST_F(ProcessTest, DescriptorLimitIsRaisedForUsAndGivenBackToPrograms) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(childGetsTheGivenLimitBack(home_.scratch()), ::testing::ExitedWithCode(0), "");
    EXPECT_EXIT(startFailsWithinTheReserve(), ::testing::ExitedWithCode(0), "");
}

} // namespace
