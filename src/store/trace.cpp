#include "store/trace.h"

#include "platform/files.h"

#include <chrono>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

namespace {

std::mutex& sinkMutex() {
    static std::mutex m;
    return m;
}

struct SinkState {
    bool read = false;
    std::string path;
    bool stamped = false; // CHORELIN_TRACE_TIMES=1: each line begins with the wall-clock time
};

SinkState& sinkState() {
    static SinkState s;
    return s;
}

} // namespace

void resetTraceSink() {
    std::lock_guard<std::mutex> guard(sinkMutex());
    sinkState().read = false;
}

void traceLine(std::string_view line) {
    // Taken first, so that waiting for the sink does not count.
    const std::chrono::system_clock::time_point now = std::chrono::system_clock::now();
    std::lock_guard<std::mutex> guard(sinkMutex());
    SinkState& state = sinkState();
    if (!state.read) {
        const char* env = std::getenv("CHORELIN_TRACE");
        state.path = env ? env : "";
        const char* times = std::getenv("CHORELIN_TRACE_TIMES");
        state.stamped = times != nullptr && std::string_view(times) == "1";
        state.read = true;
    }
    if (state.path.empty())
        return;
    // Opened per line so that an external rotation or deletion of the file is harmless.
    std::unique_ptr<FILE, int (*)(FILE*)> file(
        std::fopen(state.path.c_str(), platform::appendLogMode()), &std::fclose);
    if (!file)
        return;
    if (state.stamped) {
        // Seconds and nanoseconds since the epoch, for measuring how soon things are seen.
        const long long ns =
            std::chrono::duration_cast<std::chrono::nanoseconds>(now.time_since_epoch()).count();
        std::fprintf(file.get(), "[%lld.%09lld] ", ns / 1000000000, ns % 1000000000);
    }
    std::fwrite(line.data(), 1, line.size(), file.get());
    std::fputc('\n', file.get());
}

void tracef(const char* format, ...) {
    thread_local char buffer[4096];
    va_list args;
    va_start(args, format);
    std::vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    traceLine(buffer);
}
