#pragma once
// Starts the real chorelin binary in the current (test) home and waits for things with
// bounded time-outs.

#include <chrono>
#include <functional>
#include <string>
#include <vector>

namespace testing_support {

class ChorelinProcess {
public:
    // Starts the program with extra environment entries ("NAME=value"; a bare "NAME" removes
    // the variable); stderr goes to a file. `program` is the built binary unless a copy
    // elsewhere is to run; `wrapper` is a command that runs it (setpriv, prlimit and the like).
    explicit ChorelinProcess(const std::string& stderrPath,
                             const std::vector<std::string>& environment = {},
                             const std::string& program = CHORELIN_BINARY,
                             const std::vector<std::string>& wrapper = {});
    ~ChorelinProcess(); // kills the program if it still runs
    ChorelinProcess(const ChorelinProcess&) = delete;
    ChorelinProcess& operator=(const ChorelinProcess&) = delete;

    int pid() const { return pid_; }
    void signal(int sig) const;
    // Exit code, or -1 when it did not end within the time-out.
    int waitForExit(std::chrono::milliseconds timeout);

private:
    int pid_ = -1;
    bool reaped_ = false;
};

// Polls `condition` every 10 ms until it holds or the time-out passes.
bool waitFor(const std::function<bool()>& condition, std::chrono::milliseconds timeout);

} // namespace testing_support
