#include "history/history_store.h"

#include "history/history_writer.h"
#include "history/output_drain.h"
#include "platform/output_pipe.h"
#include "platform/process.h"
#include "platform/system_names.h"
#include "store/app_context.h"
#include "store/trace.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <utility>

namespace history {
namespace {

// Ids are taken from the database this many at a time, and a new block is asked for when
// fewer than half are left, so that a start never waits for the database. Half a block is
// more than a full table: one pass may prepare every task at once, and all of them get ids.
constexpr int64_t kIdBlock = 1024;
static_assert(kIdBlock / 2 > kMaxTaskCount);

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

std::unique_ptr<platform::TrustedFolder> openFolder(const HistoryPaths& paths) {
    platform::FolderOpening opening = platform::TrustedFolder::open(paths.folder);
    if (opening.status != platform::FolderOpening::Status::Opened)
        tellUser(stateFolderMessage(opening, false));
    return std::move(opening.folder);
}

} // namespace

HistoryStore::HistoryStore(const HistoryPaths& paths, HistoryOptions options)
    : HistoryStore(openFolder(paths), options) {
    paths_ = paths;
}

HistoryStore::HistoryStore(std::unique_ptr<platform::TrustedFolder> folder, HistoryOptions options)
    : paths_{folder ? folder->path() : std::string()}, options_(options) {
    const bool trusted = folder != nullptr;
    writer_ = std::make_unique<HistoryWriter>(std::move(folder), tellUser);
    const bool opened = trusted && writer_->open();
    if (opened) {
        if (!writer_->movedTo().empty())
            reportMovedAside(writer_->movedTo());
        lostAtOpening_ = writer_->closeLostRuns();
        // No run of this instance exists yet, so files that no row names can only be left
        // over from a crash and go too.
        writer_->prune(options_.limits, true);
        nextId_ = writer_->reserveIds(kIdBlock);
        idEnd_ = nextId_ > 0 ? nextId_ + kIdBlock : 0;
        available_ = writer_->isOpen();
        drain_ = std::make_unique<OutputDrain>(
            [this](int64_t runId, const std::string& note) { outputEnded(runId, note); });
    } else if (trusted) {
        reportProblem();
    } else {
        reported_ = true; // the refusal was said with the folder
    }
    lastPrune_ = std::chrono::steady_clock::now();
    thread_ = std::thread(&HistoryStore::writerLoop, this);
}

HistoryStore::~HistoryStore() {
    // Output still coming goes to a drainer of its own; nothing of it reaches the rows.
    drain_.reset();
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_one();
    thread_.join();
    // Ids not used go back, so that the next instance goes on where this one stopped.
    writer_->returnIds(nextId_, idEnd_);
    if (dropped_ > reportedDropped_)
        tellUser("実行履歴に書き込めなかった " + std::to_string(dropped_ - reportedDropped_) +
                 " 件の記録を捨てました。");
}

void HistoryStore::reportProblem() {
    if (reported_)
        return;
    reported_ = true;
    tellUser("実行履歴を記録できないため、履歴なしで続けます。（" + writer_->problem() + "）");
}

void HistoryStore::runsComing() {
    if (available())
        writer_->files().rehearseOutput();
}

RunTicket HistoryStore::prepareRun(const RunAttempt& attempt) {
    RunRecord run;
    run.task = attempt.task;
    run.registeredFile = attempt.registeredFile;
    run.program = attempt.program;
    run.trigger = attempt.trigger;
    run.dueMs = attempt.dueMs;
    run.startMs = attempt.startMs != 0 ? attempt.startMs : nowMs();
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (nextId_ >= idEnd_ && spareId_ > 0) {
            nextId_ = std::exchange(spareId_, 0);
            idEnd_ = nextId_ + kIdBlock;
        }
        if (!available() || nextId_ <= 0 || nextId_ >= idEnd_) {
            // No id to be had without waiting for the database: the run goes unrecorded, under
            // an id of this instance alone (negative, so never one of the database's), and
            // what it needs for a notice is kept all the same.
            if (available())
                ++dropped_;
            run.id = --unrecordedId_;
            run.outputNote = "実行履歴を記録できなかったため、出力は捨てました。";
            inFlight_[run.id] = run;
            return RunTicket{run.id, -1};
        }
        run.id = nextId_++;
        if (idEnd_ - nextId_ < kIdBlock / 2)
            wake_.notify_one();
    }
    RunTicket ticket{run.id, -1};
    const int file = writer_->files().createOutput(run.id);
    if (file >= 0) {
        run.outputPath = paths_.outputFile(run.id);
        ticket.outputFd = file;
        // The program writes into a pipe this program reads, so the file stays within its
        // bound; without a pipe it writes into the file itself.
        int pipe = -1;
        int writeEnd = -1;
        if (drain_ && platform::makeOutputPipe(pipe, writeEnd)) {
            ticket.outputFd = writeEnd;
            std::lock_guard<std::mutex> lock(mutex_);
            draining_.insert(run.id);
        }
        if (pipe >= 0 && !drain_->add(run.id, pipe, file, options_.limits.outputBytes)) {
            platform::closeDescriptor(writeEnd);
            ticket.outputFd = -1;
            run.outputPath.clear();
            run.outputNote = "出力を読み取れないため、出力は捨てました。";
            std::lock_guard<std::mutex> lock(mutex_);
            draining_.erase(run.id);
        }
    } else {
        run.outputNote = std::string("出力ファイルを作成できなかったため、出力は捨てました。（") +
                         platform::errorText(errno) + "）";
    }
    std::lock_guard<std::mutex> lock(mutex_);
    inFlight_[run.id] = run;
    // Its start follows at once and tells the writer, which therefore does not wake while the
    // program is being started.
    queue(run, false, false);
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
        run.signal = platform::kKillSignal;
        break;
    }
    run.endMs = end.endMs != 0 ? end.endMs : nowMs();
    return finish(runId, run);
}

std::optional<RunRecord> HistoryStore::finish(int64_t runId, RunRecord& run) {
    RunRecord done = std::move(run);
    inFlight_.erase(runId);
    if (draining_.count(runId))
        awaitingOutput_[runId] = done;
    queue(done, true);
    return done;
}

void HistoryStore::outputEnded(int64_t runId, const std::string& note) {
    std::lock_guard<std::mutex> lock(mutex_);
    draining_.erase(runId);
    if (const auto it = inFlight_.find(runId); it != inFlight_.end()) {
        it->second.outputNote = note;
        return;
    }
    const auto it = awaitingOutput_.find(runId);
    if (it == awaitingOutput_.end())
        return;
    // The row is written again with the output's final size and what became of it.
    it->second.outputNote = note;
    queue(it->second, true);
    awaitingOutput_.erase(it);
    written_.notify_all();
}

void HistoryStore::queue(const RunRecord& run, bool ended, bool tellWriter) {
    if (run.id < 0)
        return; // not recorded
    pending_.push_back(run);
    ++queuedSeq_;
    prunePending_ = prunePending_ || ended;
    // A writer that is letting states gather, or writing, takes this one with the next batch
    // anyway: waking it for each state of a burst would only take CPU from the programs.
    if (tellWriter && writerWaits_)
        wake_.notify_one();
}

void HistoryStore::flush() {
    std::unique_lock<std::mutex> lock(mutex_);
    if (!pending_.empty())
        wake_.notify_one(); // a prepared run's state may not have told the writer yet
    // The output of runs that ended first, unless something they left behind keeps writing.
    written_.wait_for(lock, std::chrono::seconds(5), [&] { return awaitingOutput_.empty(); });
    const uint64_t target = queuedSeq_;
    written_.wait(lock, [&] { return writtenSeq_ >= target; });
}

bool HistoryStore::reserveIdsIfLow() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (spareId_ != 0 || (nextId_ > 0 && idEnd_ - nextId_ >= kIdBlock / 2))
            return true;
    }
    const int64_t first = writer_->reserveIds(kIdBlock);
    if (first <= 0)
        return false;
    std::lock_guard<std::mutex> lock(mutex_);
    // The rest of the old block is used up first; the new block is taken from when it is.
    if (nextId_ <= 0 || nextId_ >= idEnd_) {
        nextId_ = first;
        idEnd_ = first + kIdBlock;
    } else {
        spareId_ = first;
    }
    return true;
}

void HistoryStore::noteOutcome(int outcome, size_t droppedBefore) {
    switch (static_cast<HistoryWriter::Outcome>(outcome)) {
    case HistoryWriter::Outcome::Written:
        pause_ = std::chrono::milliseconds(0);
        if (troubled_) {
            troubled_ = false;
            std::string text = "実行履歴を再び記録できるようになりました。";
            if (droppedBefore > reportedDropped_)
                text += "その間に記録できなかった " +
                        std::to_string(droppedBefore - reportedDropped_) +
                        " 件の記録は捨てました。";
            reportedDropped_ = droppedBefore;
            tellUser(text);
        }
        break;
    case HistoryWriter::Outcome::Transient:
        pause_ = pause_.count() == 0 ? options_.retryPause
                                     : std::min(pause_ * 2, options_.maxRetryPause);
        if (!troubled_) {
            troubled_ = true;
            tellUser("実行履歴を今は書き込めないため、書き込めるまで繰り返し試みます。（" +
                     writer_->problem() + "）");
        }
        break;
    case HistoryWriter::Outcome::Broken:
        available_ = false;
        reportProblem();
        break;
    }
}

void HistoryStore::writerLoop() {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        const auto pruneAt = lastPrune_ + options_.pruneInterval;
        const auto retryAt = std::chrono::steady_clock::now() + pause_;
        auto idsLow = [&] {
            return available() && (nextId_ <= 0 || idEnd_ - nextId_ < kIdBlock / 2) &&
                   spareId_ == 0;
        };
        auto ready = [&] {
            if (stopping_)
                return true;
            if (pause_.count() > 0)
                return std::chrono::steady_clock::now() >= retryAt;
            return !pending_.empty() || idsLow() ||
                   (prunePending_ && std::chrono::steady_clock::now() >= pruneAt);
        };
        writerWaits_ = true;
        if (pause_.count() > 0)
            wake_.wait_until(lock, retryAt, ready);
        else if (prunePending_)
            wake_.wait_until(lock, pruneAt, ready);
        else
            wake_.wait(lock, ready);
        writerWaits_ = false;
        if (!stopping_ && pause_.count() == 0 && !pending_.empty() && options_.gather.count() > 0)
            wake_.wait_for(lock, options_.gather, [&] { return stopping_; });
        if (stopping_ && pending_.empty())
            break;
        // A block kept in reserve takes over once the current one is used up.
        if (spareId_ > 0 && nextId_ >= idEnd_) {
            nextId_ = std::exchange(spareId_, 0);
            idEnd_ = nextId_ + kIdBlock;
        }

        std::vector<RunRecord> batch = std::move(pending_);
        pending_.clear();
        const uint64_t seq = queuedSeq_;
        const size_t droppedBefore = dropped_;
        const auto now = std::chrono::steady_clock::now();
        const bool pruneNow = prunePending_ && now >= pruneAt && !stopping_;
        lock.unlock();

        bool kept = true;
        if (available() && !reserveIdsIfLow()) {
            noteOutcome(static_cast<int>(HistoryWriter::Outcome::Transient), droppedBefore);
            kept = false;
        } else if (!batch.empty() && available()) {
            coalesce(batch);
            const std::string movedBefore = writer_->movedTo();
            const HistoryWriter::Outcome outcome = writer_->write(batch);
            if (writer_->movedTo() != movedBefore && !writer_->movedTo().empty()) {
                reportMovedAside(writer_->movedTo());
                std::lock_guard<std::mutex> guard(mutex_);
                writer_->keepIdsFrom(std::max(idEnd_, spareId_ + kIdBlock));
            }
            noteOutcome(static_cast<int>(outcome), droppedBefore);
            kept = outcome != HistoryWriter::Outcome::Transient;
        }
        bool pruned = false;
        if (pruneNow && kept && available())
            pruned = writer_->prune(options_.limits, false).ok;

        lock.lock();
        if (pruned || !pruneNow) {
            if (pruneNow)
                prunePending_ = false;
        }
        if (pruneNow)
            lastPrune_ = now;
        if (!kept) {
            // The runs wait for the next try, older states first; beyond the bound the oldest
            // go, and are counted.
            batch.insert(batch.end(), std::make_move_iterator(pending_.begin()),
                         std::make_move_iterator(pending_.end()));
            pending_ = std::move(batch);
            coalesce(pending_);
            if (pending_.size() > options_.maxQueued) {
                const size_t excess = pending_.size() - options_.maxQueued;
                pending_.erase(pending_.begin(), pending_.begin() + static_cast<long>(excess));
                dropped_ += excess;
            }
            if (stopping_) {
                // One more try at the end; what still cannot be written is lost, and said.
                if (++finalTries_ > 2) {
                    dropped_ += pending_.size();
                    pending_.clear();
                } else {
                    pause_ = std::chrono::milliseconds(0);
                }
            }
        }
        if (kept || pending_.empty()) {
            writtenSeq_ = std::max(writtenSeq_, seq);
            written_.notify_all();
        }
    }
}

} // namespace history
