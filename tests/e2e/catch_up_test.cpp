// The real program on a shifted wall clock (libfaketime): while it runs, the clock leaps two days
// past a task's run, as after a sleep that nobody announced. With CatchUpMissedRuns on the missed
// run is made once; with it off the task only moves on to its next day.

#include "process_runner.h"
#include "store/fields.h"
#include "support/task_builders.h"
#include "support/temp_home.h"

#include <csignal>
#include <ctime>
#include <gtest/gtest.h>

using namespace testing_support;
using namespace std::chrono_literals;

namespace {

// Seconds from the real clock to a local time.
long long offsetTo(int year, int month, int day, int hour, int minute) {
    std::tm t{};
    t.tm_year = year - 1900;
    t.tm_mon = month - 1;
    t.tm_mday = day;
    t.tm_hour = hour;
    t.tm_min = minute;
    t.tm_isdst = -1;
    return static_cast<long long>(std::mktime(&t)) - static_cast<long long>(std::time(nullptr));
}

class CatchUpProgram : public ::testing::TestWithParam<bool> {
protected:
    TempHome home;
    std::string dataFolder = home.documents() + "/chorelin";
    std::string taskFile = dataFolder + "/chorelin.tsk";
    std::string trace = home.root() + "/trace.log";
    std::string clockFile = home.root() + "/faketime.rc";
    std::string runs = home.root() + "/runs.log";

    void setClock(long long offset) {
        writeFile(clockFile, (offset < 0 ? "" : "+") + std::to_string(offset) + "\n");
    }
    std::vector<TaskRecord> table() const { return readTaskFile(taskFile); }
};

TEST_P(CatchUpProgram, TwoDayJumpMakesTheMissedRunOnceOnlyWhenOn) {
    const bool on = GetParam();
    ASSERT_TRUE(exists(CHORELIN_FAKETIME)) << "libfaketime is missing: run scripts/setup";
    makeDirs(home.configHome() + "/Marrowby");
    writeFile(home.settingsFile(),
              std::string("[General]\nDefaultInterval=10\nDefaultSchedule=毎日\n"
                          "CatchUpMissedRuns=") +
                  (on ? "true" : "false") + "\n");
    const std::string script = home.scratch() + "/backup.sh";
    writeFile(script, "#!/bin/sh\necho run >> '" + runs + "'\n", 0755);
    makeDirs(dataFolder);
    TaskDraft draft;
    draft.name = "backup";
    draft.registeredFile = script;
    draft.lastRun = "2024/05/09";
    draft.nextRun = "2024/05/10";
    writeTaskFile(taskFile, {makeTask(draft)});

    // Friday 2024-05-10 08:58, two minutes before the run.
    const long long friday = offsetTo(2024, 5, 10, 8, 58);
    setClock(friday);
    ChorelinProcess program(home.root() + "/err",
                            {"QT_QPA_PLATFORM=offscreen", "CHORELIN_TRACE=" + trace,
                             std::string("LD_PRELOAD=") + CHORELIN_FAKETIME,
                             "FAKETIME_TIMESTAMP_FILE=" + clockFile, "FAKETIME_NO_CACHE=1",
                             "FAKETIME_DONT_FAKE_MONOTONIC=1"});
    ASSERT_TRUE(waitFor(
        [&] {
            return readFile(trace).find("CChorelinView::OnInitialUpdate() End") !=
                   std::string::npos;
        },
        20s));
    EXPECT_EQ(table()[0].nextRunDate, 20240510);

    // Sunday 08:58: the runs of Friday and Saturday went by unseen.
    setClock(friday + 2 * 86400);
    ASSERT_TRUE(waitFor(
        [&] {
            const std::vector<TaskRecord> t = table();
            return t.size() == 1 && t[0].nextRunDate != 20240510;
        },
        20s));
    if (on) {
        ASSERT_TRUE(waitFor([&] { return exists(runs); }, 20s));
    }
    program.signal(SIGTERM);
    ASSERT_EQ(program.waitForExit(20s), 0);

    const TaskRecord saved = table()[0];
    EXPECT_EQ(readFile(runs), on ? "run\n" : "");
    EXPECT_EQ(fieldString(saved.lastRunText), on ? "2024/05/12" : "2024/05/09");
    EXPECT_EQ(fieldString(saved.nextRunText), on ? "2024/05/13" : "2024/05/12");
    EXPECT_EQ(readFile(trace).find("2024/05/10 09:00 の実行が行われていないため") !=
                  std::string::npos,
              on);
}

INSTANTIATE_TEST_SUITE_P(Setting, CatchUpProgram, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "On" : "Off"; });

} // namespace
