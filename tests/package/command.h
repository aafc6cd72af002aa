#pragma once
// Runs helper programs (cmake, desktop-file-validate, gio, dpkg-deb) and the installed chorelin
// from the package tests, always with a bounded time-out.

#include <chrono>
#include <functional>
#include <string>
#include <vector>

namespace package_test {

struct CommandResult {
    int exitCode = -1;  // -1 when it did not end in time (it is killed then)
    std::string output; // standard output and standard error together
};

// Runs argv[0] (searched in PATH) with the test's environment plus `environment` ("NAME=value").
CommandResult runCommand(const std::vector<std::string>& argv,
                         const std::vector<std::string>& environment = {},
                         std::chrono::milliseconds timeout = std::chrono::seconds(60));

// True when `name` is an executable found in PATH.
bool haveProgram(const std::string& name);

// One started program, killed at the end of the scope if it still runs.
class Program {
  public:
    Program(const std::string& path, const std::vector<std::string>& environment,
            const std::string& stderrPath);
    ~Program();
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    int pid() const { return pid_; }
    void signal(int sig) const;
    // True once the program has a handler of its own for `sig` (not the default action).
    bool catches(int sig) const;
    // Exit code (128 + signal when a signal ended it), or -1 when it still runs at the time-out.
    int waitForExit(std::chrono::milliseconds timeout);

  private:
    int pid_ = -1;
    bool reaped_ = false;
};

// Polls `condition` every 10 ms until it holds or the time-out passes.
bool waitFor(const std::function<bool()>& condition, std::chrono::milliseconds timeout);

} // namespace package_test
