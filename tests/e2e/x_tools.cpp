#include "x_tools.h"

#include "process_runner.h"

#include <csignal>
#include <fcntl.h>
#include <sstream>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace testing_support {

namespace {
std::vector<char*> argvOf(const std::vector<std::string>& argv) {
    std::vector<char*> out;
    for (const std::string& arg : argv)
        out.push_back(const_cast<char*>(arg.c_str()));
    out.push_back(nullptr);
    return out;
}

bool reaped(int pid, std::chrono::milliseconds timeout) {
    return waitFor([&] { return waitpid(pid, nullptr, WNOHANG) == pid; }, timeout);
}
} // namespace

HelperProcess::HelperProcess(const std::vector<std::string>& argv, const std::string& logPath) {
    std::vector<char*> args = argvOf(argv);
    pid_ = fork();
    if (pid_ == 0) {
        const int log = open(logPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (log >= 0) {
            dup2(log, 1);
            dup2(log, 2);
        }
        execvp(args[0], args.data());
        _exit(127);
    }
}

HelperProcess::~HelperProcess() {
    if (pid_ <= 0)
        return;
    ::kill(pid_, SIGTERM);
    if (!reaped(pid_, std::chrono::seconds(5))) {
        ::kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
}

std::string runCommand(const std::vector<std::string>& argv, std::chrono::milliseconds timeout) {
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0)
        return std::string();
    std::vector<char*> args = argvOf(argv);
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(fds[1], 1);
        const int null = open("/dev/null", O_WRONLY);
        if (null >= 0)
            dup2(null, 2);
        execvp(args[0], args.data());
        _exit(127);
    }
    close(fds[1]);
    fcntl(fds[0], F_SETFL, O_NONBLOCK);
    std::string output;
    bool ended = false;
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!ended && std::chrono::steady_clock::now() < deadline) {
        char buffer[512];
        ssize_t n;
        while ((n = read(fds[0], buffer, sizeof buffer)) > 0)
            output.append(buffer, static_cast<size_t>(n));
        ended = waitpid(pid, nullptr, WNOHANG) == pid;
        if (!ended)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    if (!ended) {
        ::kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
    }
    char buffer[512];
    ssize_t n;
    while ((n = read(fds[0], buffer, sizeof buffer)) > 0)
        output.append(buffer, static_cast<size_t>(n));
    close(fds[0]);
    return output;
}

std::vector<std::string> visibleWindowsTitled(const std::string& title) {
    std::istringstream lines(
        runCommand({"xdotool", "search", "--onlyvisible", "--name", "^" + title + "$"}));
    std::vector<std::string> ids;
    for (std::string line; std::getline(lines, line);) {
        if (!line.empty())
            ids.push_back(line);
    }
    return ids;
}

bool trayHostUp(const HelperProcess& host, std::chrono::milliseconds timeout) {
    return waitFor(
        [&] {
            return !runCommand({"xdotool", "search", "--pid", std::to_string(host.pid())}).empty();
        },
        timeout);
}

} // namespace testing_support
