#pragma once
// The run history of the writing (window) instance. The calls that record a run come from the
// engine while it holds taskLock, so they only queue: the run id is taken in memory, the
// output file opened, the run's new state put on a queue. A writer thread of the history's own
// does the database work, in transactions, and the retention after runs end.
//
// A database that cannot be opened or written never stops anything: the store says so once
// (trace line and standard error) and goes on without history; the calls keep working, so a
// run's outcome can still be told to the user.
//
//     HistoryStore store(*userHistoryPaths(), limits);   // start-up, before the workers run
//     RunTicket ticket = store.prepareRun(attempt);       // then hand ticket.outputFd to the
//     store.runStarted(ticket.id, pid);                   // child's stdout and stderr, close it
//     std::optional<RunRecord> done = store.runEnded(ticket.id, end);

#include "history/history_paths.h"
#include "history/retention.h"
#include "history/run_record.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <unordered_map>
#include <vector>

namespace history {

class HistoryWriter;

struct HistoryOptions {
    RetentionLimits limits;
    // Retention runs at start-up and after runs end, at most once per this interval.
    std::chrono::milliseconds pruneInterval{60000};
};

// A prepared run: its id and the descriptor its output goes to (-1: output discarded). The
// caller owns the descriptor and closes it once the child has it.
struct RunTicket {
    int64_t id = 0;
    int outputFd = -1;
};

class HistoryStore {
public:
    // Opens the history (creating it when missing), closes runs left running by an earlier
    // instance as lost, applies the retention, and starts the writer thread.
    HistoryStore(HistoryPaths paths, HistoryOptions options = {});
    // Writes everything queued, then stops the writer.
    ~HistoryStore();
    HistoryStore(const HistoryStore&) = delete;
    HistoryStore& operator=(const HistoryStore&) = delete;

    // Whether runs are being recorded (false once the database failed).
    bool available() const { return available_.load(); }
    const HistoryPaths& paths() const { return paths_; }
    // Runs that the previous instance left running and that were closed as lost at opening.
    int lostAtOpening() const { return lostAtOpening_; }

    // These four are cheap and never block on the database.
    RunTicket prepareRun(const RunAttempt& attempt);
    void runStarted(int64_t runId, int pid);
    // The run as it ended; nothing for an unknown id.
    std::optional<RunRecord> runFailed(int64_t runId, const std::string& error,
                                       const std::string& errorCode = std::string());
    std::optional<RunRecord> runEnded(int64_t runId, const RunEnd& end);

    // Waits until everything queued before the call is in the database (or dropped, without
    // history).
    void flush();

private:
    void writerLoop();
    void queue(const RunRecord& run, bool ended);
    std::optional<RunRecord> finish(int64_t runId, RunRecord& run);
    void reportProblem();

    HistoryPaths paths_;
    HistoryOptions options_;
    std::unique_ptr<HistoryWriter> writer_;
    std::atomic<bool> available_{false};
    std::atomic<int64_t> nextId_{1};
    int lostAtOpening_ = 0;
    bool reported_ = false; // writer thread only, after construction

    std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable written_;
    std::unordered_map<int64_t, RunRecord> inFlight_;
    std::vector<RunRecord> pending_;
    uint64_t queuedSeq_ = 0;
    uint64_t writtenSeq_ = 0;
    bool prunePending_ = false;
    bool stopping_ = false;
    std::chrono::steady_clock::time_point lastPrune_;
    std::thread thread_;
};

} // namespace history
