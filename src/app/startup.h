#pragma once
// The order in which Chorelin comes up and goes down, apart from the windows.

#include "app/state_folder.h"
#include "store/app_context.h"

#include <memory>

class RunHistoryLink;
namespace history {
class HistoryStore;
}

// Shows a fatal start-up message (and prints it on standard error), then ends the process at
// once with exit code 0.
[[noreturn]] void fatalExit(const char* utf8Message);
// The same with "\nプログラムを停止します。" appended to the reason.
[[noreturn]] void fatalStop(const char* utf8Reason);

struct SharedState {
    AppContext& ctx;
    int startupRegistered; // 1 when the start-up entry exists
    StateFolder state;     // the history's folder, locked for this user
};

// Everything before the windows, in order: single instance, the shared state, whether the
// start-up entry exists, paths and data folder, the about text, the calendar, the settings and
// both workers (created idle). Ends the process through fatalExit when a step cannot be done.
SharedState buildSharedState();

// Opens the user's run history in the state folder with the limits of the settings: after the
// settings are read, before the workers run, on a thread that does not hold taskLock. Null
// without a state folder (refused or not to be told, already said): Chorelin then runs without
// history.
std::unique_ptr<history::HistoryStore>
openRunHistory(std::unique_ptr<platform::TrustedFolder> stateFolder);

// Stops the workers, writes the task file one last time and then closes the run history, which
// writes the runs still queued. Processes that tasks started are left running; their runs are
// closed as lost at the next start.
void runShutdown(AppContext& ctx, std::unique_ptr<RunHistoryLink> history = nullptr);
