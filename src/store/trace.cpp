#include "store/trace.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <string>

namespace {

std::mutex& sinkMutex() {
    static std::mutex m;
    return m;
}

struct SinkState {
    bool read = false;
    std::string path;
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
    std::lock_guard<std::mutex> guard(sinkMutex());
    SinkState& state = sinkState();
    if (!state.read) {
        const char* env = std::getenv("CHORELIN_TRACE");
        state.path = env ? env : "";
        state.read = true;
    }
    if (state.path.empty())
        return;
    // Opened per line so that an external rotation or deletion of the file is harmless.
    std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(state.path.c_str(), "ae"), &std::fclose);
    if (!file)
        return;
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
