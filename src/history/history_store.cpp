#include "history/history_store.h"

#include "history/history_writer.h"
#include "platform/state_files.h"
#include "store/trace.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>

namespace history {
namespace {

void tellUser(const std::string& text) {
    traceLine(text);
    std::fprintf(stderr, "Chorelin: %s\n", text.c_str());
    std::fflush(stderr);
}

void reportMovedAside(const std::string& movedTo) {
    tellUser("実行履歴のデータベースが壊れていたため " + movedTo +
             " に移し、新しいデータベースで続けます。");
}

// The newest state of each run, in the order the runs first appear.
void coalesce(std::vector<RunRecord>& batch) {
    std::unordered_map<int64_t, size_t> slot;
    std::vector<RunRecord> newest;
    newest.reserve(batch.size());
    for (RunRecord& run : batch) {
        const auto [it, added] = slot.emplace(run.id, newest.size());
        if (added)
            newest.push_back(std::move(run));
        else
            newest[it->second] = std::move(run);
    }
    batch = std::move(newest);
}

} // namespace

HistoryStore::HistoryStore(HistoryPaths paths, HistoryOptions options)
    : paths_(std::move(paths)), options_(options),
      writer_(std::make_unique<HistoryWriter>(paths_)) {
    // Taken before the retention removes unnamed output files: ids keep growing even when a
    // database was moved aside, so no row of the old one is ever confused with a new run.
    const bool opened = writer_->open();
    nextId_ = writer_->highestRunId() + 1;
    if (opened) {
        if (!writer_->movedTo().empty())
            reportMovedAside(writer_->movedTo());
        lostAtOpening_ = writer_->closeLostRuns();
        // No run of this instance exists yet, so files that no row names can only be left
        // over from a crash and go too.
        writer_->prune(options_.limits, true);
        available_ = writer_->isOpen();
    } else {
        reportProblem();
    }
    lastPrune_ = std::chrono::steady_clock::now();
    thread_ = std::thread(&HistoryStore::writerLoop, this);
}

HistoryStore::~HistoryStore() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_one();
    thread_.join();
}

void HistoryStore::reportProblem() {
    if (reported_)
        return;
    reported_ = true;
    tellUser("実行履歴を記録できないため、履歴なしで続けます。（" + writer_->problem() + "）");
}

RunTicket HistoryStore::prepareRun(const RunAttempt& attempt) {
    RunRecord run;
    run.id = nextId_.fetch_add(1);
    run.task = attempt.task;
    run.registeredFile = attempt.registeredFile;
    run.program = attempt.program;
    run.trigger = attempt.trigger;
    run.dueMs = attempt.dueMs;
    run.startMs = attempt.startMs != 0 ? attempt.startMs : nowMs();
    RunTicket ticket{run.id, -1};
    if (available()) {
        const std::string path = paths_.outputFile(run.id);
        ticket.outputFd = platform::openPrivateOutput(path);
        if (ticket.outputFd >= 0)
            run.outputPath = path;
        else
            run.outputNote =
                std::string("出力ファイルを作成できなかったため、出力は捨てました。（") +
                strerrordesc_np(errno) + "）";
    } else {
        run.outputNote = "実行履歴を記録できなかったため、出力は捨てました。";
    }
    std::lock_guard<std::mutex> lock(mutex_);
    inFlight_[run.id] = run;
    queue(run, false);
    return ticket;
}

void HistoryStore::runStarted(int64_t runId, int pid) {
    std::lock_guard<std::mutex> lock(mutex_);
    const auto it = inFlight_.find(runId);
    if (it == inFlight_.end())
        return;
    it->second.pid = pid;
    queue(it->second, false);
}

std::optional<RunRecord> HistoryStore::runFailed(int64_t runId, const std::string& error,
                                                 const std::string& errorCode) {
    std::lock_guard<std::mutex> lock(mutex_);
    const auto it = inFlight_.find(runId);
    if (it == inFlight_.end())
        return std::nullopt;
    RunRecord& run = it->second;
    run.launched = false;
    run.error = error;
    run.errorCode = errorCode;
    run.ending = RunEnding::Failed;
    run.endMs = nowMs();
    return finish(runId, run);
}

std::optional<RunRecord> HistoryStore::runEnded(int64_t runId, const RunEnd& end) {
    std::lock_guard<std::mutex> lock(mutex_);
    const auto it = inFlight_.find(runId);
    if (it == inFlight_.end())
        return std::nullopt;
    RunRecord& run = it->second;
    switch (end.kind) {
    case RunEnd::Kind::Exited:
        run.ending = RunEnding::Exited;
        run.exitCode = end.exitCode;
        break;
    case RunEnd::Kind::Signalled:
        run.ending = RunEnding::Signal;
        run.signal = end.signal;
        break;
    case RunEnd::Kind::Killed:
        run.ending = RunEnding::Killed;
        run.signal = SIGKILL;
        break;
    }
    run.endMs = end.endMs != 0 ? end.endMs : nowMs();
    return finish(runId, run);
}

std::optional<RunRecord> HistoryStore::finish(int64_t runId, RunRecord& run) {
    RunRecord done = std::move(run);
    inFlight_.erase(runId);
    queue(done, true);
    return done;
}

void HistoryStore::queue(const RunRecord& run, bool ended) {
    pending_.push_back(run);
    ++queuedSeq_;
    prunePending_ = prunePending_ || ended;
    wake_.notify_one();
}

void HistoryStore::flush() {
    std::unique_lock<std::mutex> lock(mutex_);
    const uint64_t target = queuedSeq_;
    written_.wait(lock, [&] { return writtenSeq_ >= target; });
}

void HistoryStore::writerLoop() {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        const auto pruneAt = lastPrune_ + options_.pruneInterval;
        auto ready = [&] {
            return !pending_.empty() || stopping_ ||
                   (prunePending_ && std::chrono::steady_clock::now() >= pruneAt);
        };
        if (prunePending_)
            wake_.wait_until(lock, pruneAt, ready);
        else
            wake_.wait(lock, ready);
        if (stopping_ && pending_.empty())
            break;

        std::vector<RunRecord> batch = std::move(pending_);
        pending_.clear();
        const uint64_t seq = queuedSeq_;
        const auto now = std::chrono::steady_clock::now();
        const bool pruneNow = prunePending_ && now >= pruneAt && !stopping_;
        if (pruneNow) {
            prunePending_ = false;
            lastPrune_ = now;
        }
        lock.unlock();

        if (!batch.empty() && available()) {
            coalesce(batch);
            const std::string movedBefore = writer_->movedTo();
            const bool ok = writer_->write(batch);
            if (writer_->movedTo() != movedBefore && !writer_->movedTo().empty())
                reportMovedAside(writer_->movedTo());
            if (!ok) {
                available_ = false;
                reportProblem();
            }
        }
        if (pruneNow && available()) {
            if (!writer_->prune(options_.limits, false).ok) {
                available_ = false;
                reportProblem();
            }
        }

        lock.lock();
        writtenSeq_ = std::max(writtenSeq_, seq);
        written_.notify_all();
    }
}

} // namespace history
