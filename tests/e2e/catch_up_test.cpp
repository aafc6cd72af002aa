// The real program on a shifted wall clock (libfaketime, its offset in a file it reads at every
// look): while it runs, the clock leaps past a task's run, as after a sleep that nobody
// announced or a wrong clock put right. With CatchUpMissedRuns on the missed run is made once,
// after the clock has run on steadily for a minute; with it off the task only moves on to its
// next day. A leap into a false future that is undone costs no run and keeps every next run.

#include "process_runner.h"
#include "store/fields.h"
#include "support/task_builders.h"
#include "support/temp_home.h"

#include <csignal>
#include <ctime>
#include <gtest/gtest.h>
#include <memory>

using namespace testing_support;
using namespace std::chrono_literals;

namespace {

class CatchUpProgram : public ::testing::TestWithParam<bool> {
protected:
    // An every-day 09:00 task last run on `lastRun`, next due on `nextRun`; the clock set to
    // 2024-05-10 at hour:minute; the program started and its table loaded.
    void start(const char* lastRun, const char* nextRun, int hour, int minute) {
        ASSERT_TRUE(exists(CHORELIN_FAKETIME)) << "libfaketime is missing: run scripts/setup";
        makeDirs(home.configHome() + "/Marrowby");
        writeFile(home.settingsFile(), std::string("[General]\nCatchUpMissedRuns=") +
                                           (GetParam() ? "true" : "false") + "\n");
        TaskDraft draft;
        draft.registeredFile = home.scratch() + "/backup.sh";
        writeFile(draft.registeredFile, "#!/bin/sh\necho run >> '" + runs + "'\n", 0755);
        draft.lastRun = lastRun;
        draft.nextRun = nextRun;
        makeDirs(home.documents() + "/chorelin");
        writeTaskFile(taskFile, {makeTask(draft)});
        std::tm friday{0, minute, hour, 10, 4, 124, 0, 0, -1, 0, nullptr};
        offset = std::mktime(&friday) - std::time(nullptr);
        setClock(0);
        program = std::make_unique<ChorelinProcess>(
            home.root() + "/err",
            std::vector<std::string>{"QT_QPA_PLATFORM=offscreen", "CHORELIN_TRACE=" + trace,
                                     std::string("LD_PRELOAD=") + CHORELIN_FAKETIME,
                                     "FAKETIME_TIMESTAMP_FILE=" + clockFile, "FAKETIME_NO_CACHE=1",
                                     "FAKETIME_DONT_FAKE_MONOTONIC=1"});
        ASSERT_TRUE(traced("OnInitialUpdate() End"));
    }
    // The clock `s` seconds past where it started.
    void setClock(long long s) {
        const long long shift = offset + s;
        writeFile(clockFile, (shift < 0 ? "" : "+") + std::to_string(shift) + "\n");
    }
    bool traced(const std::string& text) {
        return waitFor([&] { return readFile(trace).find(text) != std::string::npos; }, 20s);
    }
    TaskRecord stop() {
        program->signal(SIGTERM);
        EXPECT_EQ(program->waitForExit(20s), 0);
        return readTaskFile(taskFile)[0];
    }

    TempHome home;
    std::string taskFile = home.documents() + "/chorelin/chorelin.tsk";
    std::string trace = home.root() + "/trace.log";
    std::string clockFile = home.root() + "/faketime.rc";
    std::string runs = home.root() + "/runs.log";
    long long offset = 0;
    std::unique_ptr<ChorelinProcess> program;
};

TEST_P(CatchUpProgram, TwoDayLeapMakesTheMissedRunOnceOnlyWhenOn) {
    const bool on = GetParam();
    // Friday 08:58, two minutes before the run; then Sunday 08:58: the runs of Friday and
    // Saturday went by unseen. A minute later the clock has run on steadily.
    start("2024/05/09", "2024/05/10", 8, 58);
    setClock(2 * 86400);
    ASSERT_TRUE(traced("秒進みました"));
    setClock(2 * 86400 + 61);
    ASSERT_TRUE(waitFor([&] { return readTaskFile(taskFile)[0].nextRunDate != 20240510; }, 20s));
    ASSERT_TRUE(waitFor([&] { return exists(runs) == on; }, 20s));

    const TaskRecord saved = stop();
    EXPECT_EQ(readFile(runs), on ? "run\n" : "");
    EXPECT_EQ(fieldString(saved.lastRunText), on ? "2024/05/12" : "2024/05/09");
    // Sunday's own 09:00 run is still ahead, make-up or not.
    EXPECT_EQ(fieldString(saved.nextRunText), "2024/05/12");
    EXPECT_EQ(readFile(trace).find("2024/05/10 09:00 の実行が行われていないため") !=
                  std::string::npos,
              on);
}

TEST_P(CatchUpProgram, LeapOf400DaysUndoneSecondsLaterRunsNothingAndKeepsTheNextRun) {
    // Friday noon, the task next due on Saturday; the clock leaps 400 days and comes back.
    start("2024/05/10", "2024/05/11", 12, 0);
    setClock(400LL * 86400);
    ASSERT_TRUE(traced("秒進みました"));
    setClock(4);
    ASSERT_TRUE(traced("秒戻りました"));

    const TaskRecord saved = stop();
    EXPECT_EQ(readFile(runs), "");
    EXPECT_EQ(fieldString(saved.lastRunText), "2024/05/10");
    EXPECT_EQ(fieldString(saved.nextRunText), "2024/05/11");
}

INSTANTIATE_TEST_SUITE_P(Setting, CatchUpProgram, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "On" : "Off"; });

} // namespace
