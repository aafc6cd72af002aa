// Windows has no fork, and a thread ends with the process, so nothing of this program can go
// on reading once it ends. What the pipes hold now is written into the files (within their
// room) and the read ends are closed: a program still running then gets ERROR_NO_DATA or
// ERROR_BROKEN_PIPE from its next write to standard output, and also a write that waits on a
// full pipe returns at once, so no started program ever blocks on its output. What it writes
// after this program ended is lost, as nobody is left to read it.

#include "platform/output_pipe.h"

#include <algorithm>

namespace platform {
namespace {

// A program that keeps writing cannot hold up the end: a few full pipes' worth at most.
constexpr int kRounds = 64;

} // namespace

void drainAfterExit(const std::vector<int>& pipes, const std::vector<int>& files,
                    const std::vector<int64_t>& room) {
    static thread_local char buffer[65536];
    for (size_t i = 0; i < pipes.size(); ++i) {
        int64_t left = i < room.size() ? room[i] : 0;
        const int file = i < files.size() ? files[i] : -1;
        for (int round = 0; round < kRounds; ++round) {
            const long n = readAvailable(pipes[i], buffer, sizeof buffer);
            if (n <= 0)
                break;
            const int64_t keep = std::min<int64_t>(n, left);
            if (keep > 0 && appendAll(file, buffer, static_cast<size_t>(keep)))
                left -= keep;
            else
                left = 0;
        }
        closeDescriptor(pipes[i]);
        closeDescriptor(file);
    }
}

} // namespace platform
