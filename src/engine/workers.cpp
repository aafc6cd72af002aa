#include "engine/workers.h"

#include "platform/process.h"
#include "store/trace.h"

#include <future>
#include <system_error>

namespace {

// Starts one worker and waits until it has told its system thread id, so that the id is in
// the context before anyone reads it.
bool startWorker(std::thread& thread, uint32_t& threadId, void (*procedure)(AppContext*),
                 AppContext& ctx) {
    std::promise<uint32_t> started;
    std::future<uint32_t> id = started.get_future();
    try {
        // The promise moves into the thread, so it outlives the moment its value is read here.
        thread = std::thread([started = std::move(started), procedure, context = &ctx]() mutable {
            started.set_value(platform::currentThreadId());
            procedure(context);
        });
    } catch (const std::system_error&) {
        return false;
    }
    threadId = id.get();
    return true;
}

void stopWorker(platform::ManualResetEvent& run, platform::ManualResetEvent& stop) {
    // The worker waits for the first signalled of (run, stop): run must go first.
    run.reset();
    stop.set();
}

} // namespace

bool MyCreateWorkers(AppContext& ctx) {
    // Before anything is started: a table full of running processes needs a descriptor each.
    platform::raiseDescriptorLimit();
    ctx.schedulerRunEvent.reset();
    ctx.schedulerStopEvent.reset();
    ctx.watcherRunEvent.reset();
    ctx.watcherStopEvent.reset();
    if (!startWorker(ctx.schedulerThread, ctx.schedulerThreadId, &MyThreadTaskStart, ctx))
        return false;
    if (!startWorker(ctx.watcherThread, ctx.watcherThreadId, &MyThreadTaskWatch, ctx)) {
        // Leave nothing running behind a failed start-up.
        stopWorker(ctx.schedulerRunEvent, ctx.schedulerStopEvent);
        ctx.schedulerThread.join();
        return false;
    }
    return true;
}

void MyStopWorkers(AppContext& ctx) {
    stopWorker(ctx.schedulerRunEvent, ctx.schedulerStopEvent);
    stopWorker(ctx.watcherRunEvent, ctx.watcherStopEvent);
    // The watcher may be waiting on the processes rather than on its events.
    ctx.watcherWake.signal();
    if (ctx.schedulerThread.joinable())
        ctx.schedulerThread.join();
    if (ctx.watcherThread.joinable())
        ctx.watcherThread.join();
}
