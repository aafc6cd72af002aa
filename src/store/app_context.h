#pragma once
// The one application state shared by the window thread and the two workers.

#include "platform/event.h"
#include "platform/instance_lock.h"
#include "platform/wake_signal.h"
#include "store/calendar_day.h"
#include "store/catch_up_state.h"
#include "store/holiday_data.h"
#include "store/task_lock.h"
#include "store/task_record.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <unordered_map>
#include <unordered_set>
#include <vector>

class RunObserver; // engine/run_observer.h: the engine reports runs through it
class MadeUpRuns;  // engine/made_up_runs.h: the catch-up asks it before a make-up run

// Messages that the workers post to the list window.
inline constexpr int WM_MYTASKEND = 1025;    // the process of one task ended; row travels along
inline constexpr int WM_MYTASKUPDATE = 1026; // a scheduler pass changed one or more tasks

// How a worker reaches the list window: posts (never sends) a message with a row index.
// Installed by the window before the workers are let run; must be callable from any thread.
using ViewPoster = std::function<void(int message, int row)>;

inline constexpr int kMaxTaskCount = 256;

struct AppContext {
    char traceBuffer[4096] = {};
    char entryName[512] = {};
    char entryRegisteredFile[512] = {};
    char entryRunTime[16] = {};
    char entryStartDate[16] = {};
    char entryEndDate[16] = {};
    // The system's own paths: the file system's bytes as they are (never cp932), each within its
    // field. platform::SystemPath carries them across the platform seam.
    char taskFilePath[512] = {};
    char modulePath[512] = {};
    char programName[512] = {};
    char documentsFolder[512] = {};
    char dataFolder[512] = {};
    char defaultSchedule[64] = {};
    int32_t defaultInterval = 0;
    int32_t taskCount = 0;
    int32_t maxTaskCount = 0;
    int32_t editIndex = 0;
    int32_t refreshRow = 0;
    uint32_t schedulerThreadId = 0;
    uint32_t watcherThreadId = 0;
    ViewPoster viewWindow;
    platform::ManualResetEvent schedulerRunEvent;
    platform::ManualResetEvent schedulerStopEvent;
    std::thread schedulerThread;
    platform::ManualResetEvent watcherRunEvent;
    platform::ManualResetEvent watcherStopEvent;
    std::thread watcherThread;
    // Given whenever the set of running processes changes (a start, a force-terminate) and at
    // close, so that the watcher looks at the table again at once.
    platform::WakeSignal watcherWake;
    std::unique_ptr<platform::InstanceLock> instanceMutex;
    TaskLock taskLock;
    // The task table: records 0..taskCount-1 are the tasks. It may hold one more record, the
    // slot that add and drop prepare before they raise taskCount. Empty with no storage is the
    // "no table" state.
    std::vector<TaskRecord> tasks;
    std::vector<CalendarDay> calendar;
    // The imported holiday file the calendar was built from, if any.
    HolidayFileState holidays;
    // The user's own days off that the calendar counts as holidays on top, if any.
    HolidayFileState daysOff;
    // What changed in the holiday files while the program ran (refused, removed, changed), for
    // the window to tell the user; the window takes and clears it. UTF-8, empty when nothing.
    std::string holidayNews;

    // Set when the task file on disk could not be loaded whole; the next write first keeps a
    // copy of it so that the user's old tasks are never destroyed.
    bool taskFileNeedsBackup = false;

    // Set at start-up when the task file was not loaded and must stay as it is: it was refused,
    // could not be opened or read, or the copy it needed could not be made. Every write of the
    // session then ends with -3 and leaves it byte for byte as it was.
    bool taskFileFrozen = false;

    // What the user is told once about the task file at the end of start-up (UTF-8; already on
    // standard error and in the trace): why it was not loaded and that changes are not saved
    // until it is fixed. Empty when there is nothing to tell.
    std::string taskFileRefusal;

    // Problems met while writing, told once on standard error.
    bool taskFileReadOnlyTold = false;
    bool taskFileBackupFailureTold = false;

    // Writes of the task file, in the order of the tables they write. The scheduler writes a
    // copy of the table without holding taskLock, so two writes may overlap: each table gets a
    // number under taskLock, writes take turns under taskFileWriteMutex, and a table older than
    // the one already written is not written at all (the newer one holds everything it held).
    // The flags above that a write changes are guarded by taskFileWriteMutex too.
    std::mutex taskFileWriteMutex;
    uint64_t taskFileTableNumber = 0;   // under taskLock
    uint64_t taskFileWrittenNumber = 0; // under taskFileWriteMutex

    // The opt-in catch-up of runs missed while the program was not running or the machine slept.
    CatchUpState catchUp;

    // Told of every start and end; nullptr: nobody. Set before the workers run.
    RunObserver* runObserver = nullptr;
    MadeUpRuns* madeUpRuns = nullptr;
    // Processes that force-terminate sent SIGKILL to and whose end is not recorded yet, by
    // process id; under taskLock.
    std::unordered_set<int32_t> killsSent;
    // The run id the observer gave each running process, by process id; under taskLock. An
    // entry goes when its process is released.
    std::unordered_map<int32_t, int64_t> runIds;

    // The next placeholder process handle of a start under way (negative); under taskLock.
    int32_t nextStartPlaceholder = -1;
    // Starts under way that force-terminate was asked for, by placeholder: each is killed as
    // soon as its process exists. Under taskLock.
    std::unordered_set<int32_t> killsAtStart;

    void post(int message, int row) {
        if (viewWindow)
            viewWindow(message, row);
    }
};

// The process-wide context, set once at start-up.
AppContext* theContext();
void setTheContext(AppContext* context);
