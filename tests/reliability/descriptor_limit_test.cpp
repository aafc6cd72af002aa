// A low descriptor limit, as `prlimit --nofile=256` gives: 256 tasks due in one minute. Every
// process that starts is watched until its end is recorded and no zombie remains; a start that
// cannot have a descriptor fails like any other failed start, and the task file is still
// written after the starts.

#include "engine/recording_observer.h"
#include "engine/workers.h"
#include "reliability_helpers.h"
#include "support/fake_clock.h"

#include <csignal>
#include <cstdio>
#include <gtest/gtest.h>
#include <sstream>
#include <sys/resource.h>

using namespace reliability;

namespace {

// The whole run, in a process of its own (the limit is the process's); an empty text when all
// went as it should, else what did not.
std::string runUnderLowLimit() {
    const rlimit limit{256, 256};
    if (::setrlimit(RLIMIT_NOFILE, &limit) != 0)
        return "setrlimit failed";
    Scene scene;
    testing_support::FakeClock clock(2024, 5, 10, 9, 0, 0);
    scene.fillWithDueSleepers();
    engine_test::RecordingObserver observer;
    observer.outputFolder = scene.home.scratch();
    scene.ctx->runObserver = &observer;
    if (!MyCreateWorkers(*scene.ctx))
        return "no workers";
    scene.ctx->watcherRunEvent.set();

    std::ostringstream failures;
    MySchedulerPass(*scene.ctx);
    std::vector<int> pids;
    int failed = 0;
    {
        TaskLockGuard lock(scene.ctx->taskLock);
        for (const TaskRecord& t : scene.ctx->tasks) {
            if (t.launchResult == LaunchStarted)
                pids.push_back(t.processInfo.processId);
            failed += t.launchResult == LaunchFailed;
        }
    }
    std::fprintf(stderr, "started %zu, failed %d\n", pids.size(), failed);
    if (pids.size() + static_cast<size_t>(failed) != kMaxTaskCount || failed == 0 ||
        pids.size() < 150)
        failures << "starts: " << pids.size() << " started, " << failed << " failed\n";
    if (observer.count("started") != pids.size() ||
        observer.count("failed") != static_cast<size_t>(failed))
        failures << "observer: " << observer.count("started") << " started, "
                 << observer.count("failed") << " failed\n";
    for (const auto& call : observer.calls()) {
        if (call.what == "failed" && call.reason != "開いているファイルが多すぎます [EMFILE]")
            failures << "failure reason: " << call.reason << "\n";
    }
    // The file was written after the last start: every task has today as its last run.
    const std::vector<TaskRecord> saved = testing_support::readTaskFile(scene.taskFile);
    const auto today = [](const TaskRecord& t) { return t.lastRunDate == 20240510; };
    if (saved.size() != kMaxTaskCount || !std::all_of(saved.begin(), saved.end(), today))
        failures << "task file: " << saved.size() << " records, not all run today\n";

    for (const int pid : pids)
        ::kill(pid, SIGKILL);
    const bool allEnded = engine_test::waitUntil(
        [&] {
            TaskLockGuard lock(scene.ctx->taskLock);
            return scene.ctx->runIds.empty() &&
                   std::all_of(
                       scene.ctx->tasks.begin(), scene.ctx->tasks.end(), [](const TaskRecord& t) {
                           return t.processInfo.processHandle == 0 && t.state == StateWaiting;
                       });
        },
        std::chrono::seconds(30));
    MyStopWorkers(*scene.ctx);
    if (!allEnded || observer.count("ended") != pids.size())
        failures << "ends: " << observer.count("ended") << " of " << pids.size() << "\n";
    for (const auto& call : observer.calls()) {
        if (call.what == "ended" && (call.how != RunEnd::Signalled || call.value != SIGKILL))
            failures << "an end not by SIGKILL\n";
    }
    if (!engine_test::zombieChildren().empty())
        failures << engine_test::zombieChildren().size() << " zombies\n";
    endAllProcesses(*scene.ctx);
    return failures.str();
}

TEST(DescriptorLimit, EveryStartedProcessIsWatchedAndAStartWithoutADescriptorFails) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            const std::string failures = runUnderLowLimit();
            std::fprintf(stderr, "%s", failures.c_str());
            std::_Exit(failures.empty() ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "started [0-9]+, failed [0-9]+");
}

} // namespace
