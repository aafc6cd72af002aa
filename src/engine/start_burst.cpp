#include "engine/start_burst.h"

#include "store/task_lock.h"
#include "store/trace.h"

#include <algorithm>
#include <atomic>
#include <system_error>
#include <thread>

namespace {

void startOne(AppContext& ctx, PreparedStart& start) {
    {
        TaskLockGuard lock(ctx.taskLock);
        MyTaskOpenRun(ctx, start);
    }
    MyTaskSpawnPrepared(start);
    TaskLockGuard lock(ctx.taskLock);
    MyTaskFinishStart(ctx, start);
}

} // namespace

void MyTaskStartPrepared(AppContext& ctx, std::vector<PreparedStart>& starts) {
    std::atomic<size_t> next{0};
    const auto work = [&ctx, &starts, &next] {
        for (size_t k = next.fetch_add(1); k < starts.size(); k = next.fetch_add(1))
            startOne(ctx, starts[k]);
    };
    const size_t helpers =
        std::min<size_t>(starts.size(), kStartingThreads) - (starts.empty() ? 0 : 1);
    std::vector<std::thread> threads;
    threads.reserve(helpers);
    for (size_t i = 0; i < helpers; ++i) {
        try {
            threads.emplace_back(work);
        } catch (const std::system_error& e) {
            // Fewer threads only make the burst slower; this one makes every start left.
            tracef("!!!NG!!! std::thread() %s", e.what());
            break;
        }
    }
    work();
    for (std::thread& thread : threads)
        thread.join();
}
