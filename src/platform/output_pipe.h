#pragma once
// Started programs write their output into a pipe that this program reads, so that what they
// write can be bounded while it is written. The reading side never waits on one pipe: a waiter
// tells which pipes have something (or were closed by every writer).

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace platform {

// A new pipe: the read end non-blocking, both ends close-on-exec and above 2; false (errno)
// when none can be made.
bool makeOutputPipe(int& readEnd, int& writeEnd);

// Reads what there is without waiting: the bytes read, 0 when every writer has closed the
// pipe, -1 when nothing is there now (errno EAGAIN) or the read failed (errno).
long readAvailable(int fd, void* buffer, size_t size);

// Appends everything or fails: false (errno) when the file took less, e.g. on a full disk or
// beyond a file-size limit.
bool appendAll(int fd, const void* data, size_t size);

void closeDescriptor(int fd);

// Waits for any of many pipes to become readable; pipes are added and removed from any thread,
// and wake() ends a wait early.
class ReadWaiter {
public:
    ReadWaiter();
    ~ReadWaiter();
    ReadWaiter(const ReadWaiter&) = delete;
    ReadWaiter& operator=(const ReadWaiter&) = delete;

    bool valid() const;
    bool add(int fd);
    void remove(int fd);
    void wake();
    // The pipes that are readable or closed, after at most timeoutMs.
    std::vector<int> wait(int timeoutMs);

private:
    struct State; // the system's means of waiting
    std::unique_ptr<State> state_;
};

// Hands pipes still open when this program ends to a process of their own, which reads each
// into its file (at most `room` more bytes each; the rest is read and dropped) until every
// writer closed it, so that no program that outlives this one blocks on, or fails at, its
// output. Pairs of (pipe, file); all are closed here.
void drainAfterExit(const std::vector<int>& pipes, const std::vector<int>& files,
                    const std::vector<int64_t>& room);

} // namespace platform
