#include "command.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <poll.h>
#include <sstream>
#include <stdexcept>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace package_test {
namespace {

using Clock = std::chrono::steady_clock;

// In the child: applies the extra environment and replaces the process; never returns.
[[noreturn]] void execWith(const std::vector<std::string>& argv,
                           const std::vector<std::string>& environment) {
    for (const std::string& entry : environment) {
        const size_t eq = entry.find('=');
        if (eq != std::string::npos)
            ::setenv(entry.substr(0, eq).c_str(), entry.substr(eq + 1).c_str(), 1);
    }
    std::vector<char*> args;
    for (const std::string& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    ::execvp(args[0], args.data());
    ::_exit(127);
}

int decodeStatus(int status) {
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

} // namespace

CommandResult runCommand(const std::vector<std::string>& argv,
                         const std::vector<std::string>& environment,
                         std::chrono::milliseconds timeout) {
    int fds[2];
    if (argv.empty() || ::pipe2(fds, O_CLOEXEC) != 0)
        throw std::runtime_error("cannot start a command");
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(fds[1], 1);
        ::dup2(fds[1], 2);
        const int devNull = ::open("/dev/null", O_RDONLY);
        if (devNull >= 0)
            ::dup2(devNull, 0);
        execWith(argv, environment);
    }
    ::close(fds[1]);
    CommandResult result;
    const auto deadline = Clock::now() + timeout;
    bool timedOut = false;
    for (;;) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0) {
            timedOut = true;
            break;
        }
        pollfd pfd{fds[0], POLLIN, 0};
        const int n = ::poll(&pfd, 1, static_cast<int>(left.count()));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            continue;
        char buffer[4096];
        const ssize_t got = ::read(fds[0], buffer, sizeof buffer);
        if (got <= 0)
            break; // end of output: the command (and whatever it left behind) closed the pipe
        result.output.append(buffer, static_cast<size_t>(got));
    }
    ::close(fds[0]);
    if (timedOut)
        ::kill(pid, SIGKILL);
    int status = 0;
    // After the end of its output the command is about to exit; still wait boundedly.
    const bool ended = waitFor([&] { return ::waitpid(pid, &status, WNOHANG) == pid; },
                               timedOut ? std::chrono::seconds(10) : timeout);
    if (!ended) {
        ::kill(pid, SIGKILL);
        ::waitpid(pid, &status, 0);
        return result;
    }
    if (!timedOut)
        result.exitCode = decodeStatus(status);
    return result;
}

bool haveProgram(const std::string& name) {
    return runCommand({"sh", "-c", "command -v \"$0\" >/dev/null", name}, {},
                      std::chrono::seconds(10))
               .exitCode == 0;
}

Program::Program(const std::string& path, const std::vector<std::string>& environment,
                 const std::string& stderrPath) {
    pid_ = ::fork();
    if (pid_ == 0) {
        const int err = ::open(stderrPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (err >= 0)
            ::dup2(err, 2);
        execWith({path}, environment);
    }
}

Program::~Program() {
    if (pid_ > 0 && !reaped_) {
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
    }
}

void Program::signal(int sig) const {
    ::kill(pid_, sig);
}

bool Program::catches(int sig) const {
    std::ifstream status("/proc/" + std::to_string(pid_) + "/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("SigCgt:", 0) == 0) {
            const unsigned long long mask = std::strtoull(line.c_str() + 7, nullptr, 16);
            return (mask >> (sig - 1)) & 1u;
        }
    }
    return false;
}

int Program::waitForExit(std::chrono::milliseconds timeout) {
    int status = 0;
    if (!waitFor([&] { return ::waitpid(pid_, &status, WNOHANG) == pid_; }, timeout))
        return -1;
    reaped_ = true;
    return decodeStatus(status);
}

bool waitFor(const std::function<bool()>& condition, std::chrono::milliseconds timeout) {
    const auto deadline = Clock::now() + timeout;
    while (Clock::now() < deadline) {
        if (condition())
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return condition();
}

} // namespace package_test
