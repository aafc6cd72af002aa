#pragma once
// The thread that reads started programs' output from their pipes into their runs' files,
// each within its bound (BoundedOutput). It never holds a lock of the engine and never waits
// on one pipe, so no program's output can hold up a start or an end; a pipe is read until every
// process that has it (also a background child the run left behind) closed it. Pipes still open
// when the drain stops are handed to a process of their own (platform::drainAfterExit).

#include "history/bounded_output.h"
#include "platform/output_pipe.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <unordered_map>

namespace history {

class OutputDrain {
public:
    // Told, on the drain's thread, when a run's output has ended: the note for its row (empty
    // when the whole output is there).
    using Finished = std::function<void(int64_t runId, const std::string& note)>;

    explicit OutputDrain(Finished finished);
    ~OutputDrain();
    OutputDrain(const OutputDrain&) = delete;
    OutputDrain& operator=(const OutputDrain&) = delete;

    bool valid() const { return waiter_.valid() && thread_.joinable(); }
    // Takes the pipe's read end and the file; false (both closed) when it cannot watch them.
    bool add(int64_t runId, int pipe, int file, int64_t limit);

private:
    struct Source {
        int64_t runId;
        std::unique_ptr<BoundedOutput> output;
    };
    void loop();
    // Reads what the pipe has, at most `rounds` chunks; true when every writer closed it.
    bool drain(int fd, Source& source, int rounds);

    Finished finished_;
    platform::ReadWaiter waiter_;
    std::mutex mutex_;
    std::unordered_map<int, Source> sources_; // by pipe
    std::atomic<bool> stopping_{false};
    std::thread thread_;
};

} // namespace history
