#pragma once
// The run history of the writing (window) instance. The calls that record a run come from the
// engine while it holds taskLock, so they only queue: the run id is taken from a block the
// database handed out ahead, the output file made, the run's new state put on a queue. A writer
// thread of the history's own does the database work, in transactions, and the retention after
// every batch of ends.
//
// A database that cannot be written for a while (busy, locked, full, an I/O error) keeps the
// queued runs and is tried again with a growing pause; the store says once what failed and
// says again when writes succeed. Only a database that cannot be opened, or a damaged one that
// cannot be replaced, turns the history off (said once, trace line and standard error). Nothing
// of this ever stops a run: the calls keep working, so a run's outcome can still be told.
//
//     HistoryStore store(*userHistoryPaths(), limits);   // start-up, before the workers run
//     RunTicket ticket = store.prepareRun(attempt);       // then hand ticket.outputFd to the
//     store.runStarted(ticket.id, pid);                   // child's stdout and stderr, close it
//     std::optional<RunRecord> done = store.runEnded(ticket.id, end);

#include "history/history_paths.h"
#include "history/retention.h"
#include "history/run_record.h"
#include "platform/trusted_folder.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace history {

class HistoryWriter;
class OutputDrain;

struct HistoryOptions {
    RetentionLimits limits;
    // Retention runs at start-up and after runs end, at most once per this interval.
    std::chrono::milliseconds pruneInterval{500};
    // The first pause before a failed write is tried again; it doubles up to maxRetryPause.
    std::chrono::milliseconds retryPause{250};
    std::chrono::milliseconds maxRetryPause{8000};
    // Run states kept while the database cannot be written; the oldest beyond go (counted).
    size_t maxQueued = 4096;
    // How long the writer lets new run states gather before it writes them: a burst's starts
    // go into one transaction, and the programs just started get the cores before it does.
    std::chrono::milliseconds gather{10};
};

// A prepared run: its id (negative: not recorded) and the descriptor its output goes to (-1:
// output discarded). The caller owns the descriptor and closes it once the child has it.
struct RunTicket {
    int64_t id = 0;
    int outputFd = -1;
};

class HistoryStore {
public:
    // Opens the history in its trusted state folder (creating it when missing), closes runs
    // left running by an earlier instance as lost, applies the retention, and starts the writer
    // thread. A null folder (refused) means no history.
    HistoryStore(std::unique_ptr<platform::TrustedFolder> folder, HistoryOptions options = {});
    // The same, opening the folder itself (a refused folder is said once).
    explicit HistoryStore(const HistoryPaths& paths, HistoryOptions options = {});
    // Writes everything queued, then stops the writer.
    ~HistoryStore();
    HistoryStore(const HistoryStore&) = delete;
    HistoryStore& operator=(const HistoryStore&) = delete;

    // Whether runs are being recorded (false once the database failed).
    bool available() const { return available_.load(); }
    const HistoryPaths& paths() const { return paths_; }
    // Runs that the previous instance left running and that were closed as lost at opening.
    int lostAtOpening() const { return lostAtOpening_; }

    // Runs are about to be prepared: the output folder's bookkeeping is brought into memory.
    void runsComing();
    // These four are cheap and never block on the database.
    RunTicket prepareRun(const RunAttempt& attempt);
    void runStarted(int64_t runId, int pid);
    // The run as it ended; nothing for an unknown id.
    std::optional<RunRecord> runFailed(int64_t runId, const std::string& error,
                                       const std::string& errorCode = std::string());
    std::optional<RunRecord> runEnded(int64_t runId, const RunEnd& end);

    // Waits until everything queued before the call is in the database (or dropped, without
    // history), after the output of the runs that ended is in (at most a few seconds).
    void flush();

private:
    void writerLoop();
    // tellWriter false: the writer is not woken for it (a state that another follows at once).
    void queue(const RunRecord& run, bool ended, bool tellWriter = true);
    std::optional<RunRecord> finish(int64_t runId, RunRecord& run);
    void reportProblem();
    // The drain's thread: a run's output ended.
    void outputEnded(int64_t runId, const std::string& note);
    // Writer thread: the outcome of one write, said to the user when it changes.
    void noteOutcome(int outcome, size_t droppedBefore);
    // Writer thread: a new block of ids when few are left; false when the database refused.
    bool reserveIdsIfLow();

    HistoryPaths paths_;
    HistoryOptions options_;
    std::unique_ptr<HistoryWriter> writer_;
    std::unique_ptr<OutputDrain> drain_;
    std::atomic<bool> available_{false};
    int lostAtOpening_ = 0;
    bool reported_ = false; // writer thread only, after construction
    bool troubled_ = false; // writer thread: the last write failed for a while
    std::chrono::milliseconds pause_{0};

    // Run ids the database handed out: [nextId_, idEnd_) (under mutex_).
    int64_t nextId_ = 0;
    int64_t idEnd_ = 0;
    int64_t spareId_ = 0;        // the first of a block taken ahead, or 0
    int64_t unrecordedId_ = 0;   // the last id of a run that is not recorded (negative)
    int finalTries_ = 0;         // writes tried again while stopping
    size_t reportedDropped_ = 0; // writer thread: dropped states already said
    size_t dropped_ = 0;         // run states that could not be kept (under mutex_)

    std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable written_;
    std::unordered_map<int64_t, RunRecord> inFlight_;
    std::unordered_set<int64_t> draining_; // runs whose output pipe is still read
    // Ended runs whose output still comes: their rows are written again when it ends.
    std::unordered_map<int64_t, RunRecord> awaitingOutput_;
    std::vector<RunRecord> pending_;
    uint64_t queuedSeq_ = 0;
    uint64_t writtenSeq_ = 0;
    bool prunePending_ = false;
    bool stopping_ = false;
    bool writerWaits_ = false; // the writer waits for something to do, not gathering or writing
    std::chrono::steady_clock::time_point lastPrune_;
    std::thread thread_;
};

} // namespace history
