#pragma once
// One start attempt of a task as the history keeps it, and the small types around it. Texts
// are UTF-8; times are milliseconds since the epoch.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace history {

// What started the run.
enum class RunTrigger { Scheduled, Manual, CatchUp };

// How the run ended, or that it has not (Running), or that Chorelin stopped before it saw the
// end (Lost).
enum class RunEnding { Exited, Signal, Killed, Failed, Running, Lost };

struct RunRecord {
    int64_t id = 0;
    std::string task;
    std::string registeredFile;
    std::string program;
    RunTrigger trigger = RunTrigger::Scheduled;
    std::optional<int64_t> dueMs; // the minute a scheduled run was due
    int64_t startMs = 0;
    bool launched = true; // false: the start failed, `error` says why
    std::string error;
    std::string errorCode; // the symbolic error name of a failed start ("ENOENT"); may be empty
    int pid = 0;
    std::optional<int64_t> endMs;
    std::optional<int> exitCode; // Exited
    std::optional<int> signal;   // Signal and Killed
    RunEnding ending = RunEnding::Running;
    std::string outputPath; // full path of the output file; empty when none is kept
    std::string outputNote; // why no output is kept, when none is
    int64_t outputBytes = 0;

    // A run the user would want to hear about: a failed start, an exit code other than 0, or a
    // signal that was not the user's own force-terminate.
    bool isFailure() const {
        return ending == RunEnding::Failed || ending == RunEnding::Signal ||
               (ending == RunEnding::Exited && exitCode.value_or(0) != 0);
    }
};

// What a start attempt is known by before it starts.
struct RunAttempt {
    std::string task;
    std::string registeredFile;
    std::string program;
    RunTrigger trigger = RunTrigger::Scheduled;
    std::optional<int64_t> dueMs;
    int64_t startMs = 0; // 0: now
};

// How a started process ended.
struct RunEnd {
    enum class Kind { Exited, Signalled, Killed };
    Kind kind = Kind::Exited;
    int exitCode = 0;  // Exited
    int signal = 0;    // Signalled (Killed is always SIGKILL)
    int64_t endMs = 0; // 0: now
};

// The stored words: "scheduled", "manual", "catch-up"; "exited", "signal", "killed", "failed",
// "running", "lost".
std::string_view triggerWord(RunTrigger trigger);
std::string_view endingWord(RunEnding ending);
std::optional<RunTrigger> triggerFromWord(std::string_view word);
std::optional<RunEnding> endingFromWord(std::string_view word);

// "SIGKILL" and so on; "SIG<n>" for a number without a name.
std::string signalName(int signal);

// Milliseconds since the epoch, now.
int64_t nowMs();

} // namespace history
