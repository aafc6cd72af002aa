#pragma once
// Helpers for tests on a real X display (the test runs under xvfb-run): helper programs such as
// a tray host, and window queries through xdotool. Every wait is bounded.

#include <chrono>
#include <string>
#include <vector>

namespace testing_support {

// A helper program started for one test and ended with it (SIGTERM, then SIGKILL).
class HelperProcess {
public:
    HelperProcess(const std::vector<std::string>& argv, const std::string& logPath);
    ~HelperProcess();
    HelperProcess(const HelperProcess&) = delete;
    HelperProcess& operator=(const HelperProcess&) = delete;
    int pid() const { return pid_; }

private:
    int pid_ = -1;
};

// Runs a short command and returns its standard output; the command is killed after
// `timeout`.
std::string runCommand(const std::vector<std::string>& argv,
                       std::chrono::milliseconds timeout = std::chrono::seconds(10));

// Ids of the mapped windows whose title is exactly `title`.
std::vector<std::string> visibleWindowsTitled(const std::string& title);

// Starts a tray host and waits until it owns the tray; false when it did not come up.
bool trayHostUp(const HelperProcess& host, std::chrono::milliseconds timeout);

} // namespace testing_support
