#include "history/output_drain.h"

#include <cerrno>
#include <vector>

namespace history {
namespace {

// At most this much is read from one pipe before the others get their turn.
constexpr size_t kChunk = 64 * 1024;
constexpr int kRoundsPerTurn = 16;
// At the stop, a full pipe is emptied (a program that keeps writing cannot hold it up long).
constexpr int kRoundsAtStop = 64;

} // namespace

OutputDrain::OutputDrain(Finished finished) : finished_(std::move(finished)) {
    if (waiter_.valid())
        thread_ = std::thread(&OutputDrain::loop, this);
}

OutputDrain::~OutputDrain() {
    stopping_ = true;
    waiter_.wake();
    if (thread_.joinable())
        thread_.join();
    // What is in the pipes now is read here; pipes whose writers are all gone end as usual.
    for (auto it = sources_.begin(); it != sources_.end();) {
        if (!drain(it->first, it->second, kRoundsAtStop)) {
            ++it;
            continue;
        }
        it->second.output->finish();
        finished_(it->second.runId, it->second.output->note());
        platform::closeDescriptor(it->first);
        it = sources_.erase(it);
    }
    // Whatever is still writing goes on into its file, within what its bound leaves.
    std::vector<int> pipes, files;
    std::vector<int64_t> room;
    for (auto& [fd, source] : sources_) {
        source.output->finish();
        pipes.push_back(fd);
        room.push_back(source.output->room());
        files.push_back(source.output->release());
    }
    sources_.clear();
    platform::drainAfterExit(pipes, files, room);
}

bool OutputDrain::add(int64_t runId, int pipe, int file, int64_t limit) {
    auto output = std::make_unique<BoundedOutput>(file, limit);
    if (!valid()) {
        platform::closeDescriptor(pipe);
        return false;
    }
    std::lock_guard<std::mutex> lock(mutex_);
    sources_.emplace(pipe, Source{runId, std::move(output)});
    if (!waiter_.add(pipe)) {
        sources_.erase(pipe);
        platform::closeDescriptor(pipe);
        return false;
    }
    return true;
}

bool OutputDrain::drain(int fd, Source& source, int rounds) {
    static thread_local char buffer[kChunk];
    for (int round = 0; round < rounds; ++round) {
        const long n = platform::readAvailable(fd, buffer, sizeof buffer);
        if (n == 0)
            return true;
        if (n < 0)
            return errno != EAGAIN;
        source.output->append(buffer, static_cast<size_t>(n));
    }
    return false;
}

void OutputDrain::loop() {
    while (!stopping_) {
        for (const int fd : waiter_.wait(500)) {
            std::unique_lock<std::mutex> lock(mutex_);
            const auto it = sources_.find(fd);
            if (it == sources_.end())
                continue;
            Source& source = it->second;
            lock.unlock(); // only this thread removes sources, so the entry stays
            if (!drain(fd, source, kRoundsPerTurn))
                continue;
            source.output->finish();
            const int64_t runId = source.runId;
            const std::string note = source.output->note();
            waiter_.remove(fd);
            lock.lock();
            sources_.erase(fd);
            platform::closeDescriptor(fd);
            lock.unlock();
            finished_(runId, note);
        }
    }
}

} // namespace history
