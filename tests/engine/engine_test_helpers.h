#pragma once
// Helpers shared by the engine tests: bounded polling, the test process's zombie children, and
// ending the processes that a test started.

#include "engine/calendar.h"
#include "platform/process.h"
#include "store/app_context.h"

#include <chrono>
#include <cstdio>
#include <dirent.h>
#include <fstream>
#include <functional>
#include <memory>
#include <mutex>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <utility>
#include <vector>

namespace engine_test {

// What the workers posted to the window, recorded from any thread.
class PostLog {
public:
    // Installs the log as the context's window.
    void attach(AppContext& ctx) {
        ctx.viewWindow = [this](int message, int row) {
            std::lock_guard<std::mutex> guard(mutex_);
            posts_.emplace_back(message, row);
        };
    }
    std::vector<std::pair<int, int>> posts() const {
        std::lock_guard<std::mutex> guard(mutex_);
        return posts_;
    }
    size_t count(int message) const {
        size_t n = 0;
        for (const auto& [m, row] : posts())
            n += m == message ? 1 : 0;
        return n;
    }
    std::vector<int> rows(int message) const {
        std::vector<int> found;
        for (const auto& [m, row] : posts()) {
            if (m == message)
                found.push_back(row);
        }
        return found;
    }

private:
    mutable std::mutex mutex_;
    std::vector<std::pair<int, int>> posts_;
};

// A context for the worker tests: the calendar built, an empty task file in the documents
// folder of `documents`, and the posts going to `log`.
inline std::unique_ptr<AppContext> workerContext(const std::string& documents, PostLog& log) {
    auto ctx = std::make_unique<AppContext>();
    MyCalMake(*ctx);
    const std::string taskFile = documents + "/tasks.tsk";
    { std::ofstream out(taskFile, std::ios::binary | std::ios::trunc); }
    ::chmod(taskFile.c_str(), 0600);
    std::snprintf(ctx->taskFilePath, sizeof ctx->taskFilePath, "%s", taskFile.c_str());
    log.attach(*ctx);
    return ctx;
}

// Polls every 10 ms until the condition holds or the time-out passes; the condition's last value.
inline bool waitUntil(const std::function<bool()>& condition,
                      std::chrono::milliseconds timeout = std::chrono::seconds(10)) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        if (condition())
            return true;
        if (std::chrono::steady_clock::now() >= deadline)
            return condition();
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

// The pids of this process's children that have ended and not been reaped.
inline std::vector<int> zombieChildren() {
    std::vector<int> zombies;
    const int self = static_cast<int>(::getpid());
    std::unique_ptr<DIR, int (*)(DIR*)> proc(::opendir("/proc"), &::closedir);
    if (!proc)
        return zombies;
    while (const dirent* entry = ::readdir(proc.get())) {
        const std::string name = entry->d_name;
        if (name.empty() || name.find_first_not_of("0123456789") != std::string::npos)
            continue;
        std::ifstream in("/proc/" + name + "/stat");
        std::string stat((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        // "pid (comm) state ppid ...": comm may hold blanks and parentheses.
        const size_t close = stat.rfind(')');
        if (close == std::string::npos)
            continue;
        std::istringstream rest(stat.substr(close + 1));
        char state = 0;
        int parent = 0;
        rest >> state >> parent;
        if (parent == self && state == 'Z')
            zombies.push_back(std::stoi(name));
    }
    return zombies;
}

// Waits for the process of a task to end, then reaps it and closes its handle (what the watcher
// does when it runs), so that a test that drives passes by hand leaves no zombie behind.
inline bool endTaskProcess(TaskRecord& task, int timeoutMs = 10000) {
    if (task.processInfo.processHandle == 0)
        return true;
    const bool ended =
        platform::waitForAnyProcess({task.processInfo.processHandle}, timeoutMs) == 0;
    if (!ended)
        platform::terminateProcess(task.processInfo.processHandle, task.processInfo.processId);
    else
        platform::reapProcess(task.processInfo.processId);
    platform::closeHandle(task.processInfo.processHandle);
    task.processInfo = ProcessBlock{};
    return ended;
}

inline std::vector<std::string> readLines(const std::string& path) {
    std::ifstream in(path);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

// A script that writes its own path and its arguments, one per line, to $CHORELIN_ARGV_LOG,
// renaming the finished file into place so that a reader never sees half of it.
inline const char* kRecorderScript =
    "#!/bin/sh\n"
    "{ printf '%s\\n' \"$0\"; for a in \"$@\"; do printf '%s\\n' \"$a\"; done; } "
    "> \"$CHORELIN_ARGV_LOG.part\" && mv \"$CHORELIN_ARGV_LOG.part\" \"$CHORELIN_ARGV_LOG\"\n";

} // namespace engine_test
