#pragma once
// A run observer that records every call as one line of text, for the tests of what the engine
// reports; it can hand out an output descriptor and run ids of its own.

#include "engine/run_observer.h"

#include <fcntl.h>
#include <mutex>
#include <string>
#include <vector>

namespace engine_test {

class RecordingObserver : public RunObserver {
public:
    struct Call {
        std::string what; // prepare, started, failed, ended
        int64_t runId = 0;
        RunAttempt attempt;          // prepare
        int pid = 0;                 // started
        std::string reason;          // failed
        RunEnd how = RunEnd::Exited; // ended
        int value = 0;               // ended
        int64_t atMs = 0;            // started, failed, ended
    };

    // When set, each recorded run gets "<folder>/<run id>.log" as its output.
    std::string outputFolder;
    // The id of the next run; 0 records nothing.
    int64_t nextRunId = 1;

    RunPreparation prepareRun(const RunAttempt& attempt) override {
        std::lock_guard<std::mutex> guard(mutex_);
        Call call;
        call.what = "prepare";
        call.attempt = attempt;
        call.runId = nextRunId;
        calls_.push_back(call);
        RunPreparation run{nextRunId, -1};
        if (!outputFolder.empty() && nextRunId != 0)
            run.outputFd = ::open(outputOf(nextRunId).c_str(),
                                  O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
        if (nextRunId != 0)
            ++nextRunId;
        return run;
    }
    void runStarted(int64_t runId, int pid, int64_t startMs) override {
        add({"started", runId, {}, pid, {}, RunEnd::Exited, 0, startMs});
    }
    void runFailed(int64_t runId, int64_t startMs, const std::string& reason,
                   const std::string& code) override {
        add({"failed", runId, {}, 0, reason + " [" + code + "]", RunEnd::Exited, 0, startMs});
    }
    void runEnded(int64_t runId, RunEnd how, int value, int64_t endMs) override {
        add({"ended", runId, {}, 0, {}, how, value, endMs});
    }

    std::string outputOf(int64_t runId) const {
        return outputFolder + "/" + std::to_string(runId) + ".log";
    }
    std::vector<Call> calls() const {
        std::lock_guard<std::mutex> guard(mutex_);
        return calls_;
    }
    // The calls naming one run, in order.
    std::vector<Call> callsOf(int64_t runId) const {
        std::vector<Call> found;
        for (const Call& call : calls()) {
            if (call.runId == runId)
                found.push_back(call);
        }
        return found;
    }
    size_t count(const std::string& what) const {
        size_t n = 0;
        for (const Call& call : calls())
            n += call.what == what;
        return n;
    }

private:
    void add(Call call) {
        std::lock_guard<std::mutex> guard(mutex_);
        calls_.push_back(std::move(call));
    }
    mutable std::mutex mutex_;
    std::vector<Call> calls_;
};

} // namespace engine_test
