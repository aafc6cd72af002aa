#pragma once
// Shared by the history tests: the history folder of the test's home, a real child process
// whose standard output and error go where a run's ticket says, and small file checks.

#include "history/history_paths.h"
#include "history/history_store.h"

#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <spawn.h>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace history_test {

inline history::HistoryPaths homePaths() {
    return history::HistoryPaths{std::string(std::getenv("XDG_STATE_HOME")) + "/chorelin"};
}

inline history::RunAttempt attempt(const std::string& task) {
    history::RunAttempt a;
    a.task = task;
    a.registeredFile = "/home/u/" + task + ".sh";
    a.program = a.registeredFile;
    return a;
}

// Runs `script` with /bin/sh in a process group of its own, its output on the ticket's
// descriptor (or nowhere), and closes the descriptor as the engine does. The pid.
inline pid_t spawnShell(const std::string& script, history::RunTicket& ticket) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (ticket.outputFd >= 0) {
        posix_spawn_file_actions_adddup2(&actions, ticket.outputFd, 1);
        posix_spawn_file_actions_adddup2(&actions, ticket.outputFd, 2);
    } else {
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_adddup2(&actions, 1, 2);
    }
    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETPGROUP);
    posix_spawnattr_setpgroup(&attr, 0);
    const char* argv[] = {"/bin/sh", "-c", script.c_str(), nullptr};
    pid_t pid = -1;
    if (posix_spawn(&pid, "/bin/sh", &actions, &attr, const_cast<char**>(argv), environ) != 0)
        pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attr);
    if (ticket.outputFd >= 0)
        ::close(ticket.outputFd);
    ticket.outputFd = -1;
    return pid;
}

// Waits for the child and tells how it ended, as the watcher would.
inline history::RunEnd waitEnd(pid_t pid, bool killedByUser = false) {
    int status = 0;
    ::waitpid(pid, &status, 0);
    history::RunEnd end;
    if (killedByUser) {
        end.kind = history::RunEnd::Kind::Killed;
    } else if (WIFSIGNALED(status)) {
        end.kind = history::RunEnd::Kind::Signalled;
        end.signal = WTERMSIG(status);
    } else {
        end.exitCode = WEXITSTATUS(status);
    }
    return end;
}

// One run of `script` for `task`, from prepare to end.
inline history::RunRecord runScript(history::HistoryStore& store, const std::string& task,
                                    const std::string& script) {
    history::RunTicket ticket = store.prepareRun(attempt(task));
    const pid_t pid = spawnShell(script, ticket);
    store.runStarted(ticket.id, pid);
    return *store.runEnded(ticket.id, waitEnd(pid));
}

inline int count(const std::string& text, const std::string& part) {
    int n = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++n;
    return n;
}

inline int modeOf(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 ? static_cast<int>(st.st_mode & 07777) : -1;
}

inline bool fileExists(const std::string& path) {
    struct stat st;
    return ::lstat(path.c_str(), &st) == 0;
}

} // namespace history_test
