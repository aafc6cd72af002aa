#include "process_runner.h"

#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace testing_support {

ChorelinProcess::ChorelinProcess(const std::string& stderrPath,
                                 const std::vector<std::string>& environment,
                                 const std::string& program,
                                 const std::vector<std::string>& wrapper) {
    std::vector<std::string> command = wrapper;
    command.push_back(program);
    std::vector<char*> argv;
    for (std::string& arg : command)
        argv.push_back(arg.data());
    argv.push_back(nullptr);
    pid_ = fork();
    if (pid_ == 0) {
        const int err = open(stderrPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (err >= 0)
            dup2(err, 2);
        for (const std::string& entry : environment) {
            if (entry.find('=') == std::string::npos)
                unsetenv(entry.c_str());
            else
                putenv(const_cast<char*>(entry.c_str()));
        }
        execvp(argv[0], argv.data());
        _exit(127);
    }
}

ChorelinProcess::~ChorelinProcess() {
    if (pid_ > 0 && !reaped_) {
        ::kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
}

void ChorelinProcess::signal(int sig) const {
    ::kill(pid_, sig);
}

int ChorelinProcess::waitForExit(std::chrono::milliseconds timeout) {
    int status = 0;
    const bool ended = waitFor(
        [&] {
            const pid_t r = waitpid(pid_, &status, WNOHANG);
            return r == pid_;
        },
        timeout);
    if (!ended)
        return -1;
    reaped_ = true;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

bool waitFor(const std::function<bool()>& condition, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (std::chrono::steady_clock::now() < deadline) {
        if (condition())
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return condition();
}

} // namespace testing_support
