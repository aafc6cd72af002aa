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

class CatchUpProgram : public ::testing::TestWithParam<bool> {};

TEST_P(CatchUpProgram, TwoDayLeapMakesTheMissedRunOnceOnlyWhenOn) {
    const bool on = GetParam();
    ASSERT_TRUE(exists(CHORELIN_FAKETIME)) << "libfaketime is missing: run scripts/setup";
    TempHome home;
    const std::string taskFile = home.documents() + "/chorelin/chorelin.tsk";
    const std::string trace = home.root() + "/trace.log";
    const std::string clockFile = home.root() + "/faketime.rc";
    const std::string runs = home.root() + "/runs.log";
    makeDirs(home.configHome() + "/Marrowby");
    writeFile(home.settingsFile(),
              std::string("[General]\nCatchUpMissedRuns=") + (on ? "true" : "false") + "\n");
    TaskDraft draft;
    draft.registeredFile = home.scratch() + "/backup.sh";
    writeFile(draft.registeredFile, "#!/bin/sh\necho run >> '" + runs + "'\n", 0755);
    draft.lastRun = "2024/05/09";
    draft.nextRun = "2024/05/10";
    makeDirs(home.documents() + "/chorelin");
    writeTaskFile(taskFile, {makeTask(draft)});

    // The offset from the real clock to Friday 2024-05-10 08:58 local time, two minutes before
    // the every-day 09:00 run; libfaketime reads the file again at every look at the clock.
    std::tm friday{0, 58, 8, 10, 4, 124, 0, 0, -1, 0, nullptr};
    const long long offset = std::mktime(&friday) - std::time(nullptr);
    const auto setClock = [&](long long s) {
        writeFile(clockFile, (s < 0 ? "" : "+") + std::to_string(s) + "\n");
    };
    setClock(offset);
    ChorelinProcess program(home.root() + "/err",
                            {"QT_QPA_PLATFORM=offscreen", "CHORELIN_TRACE=" + trace,
                             std::string("LD_PRELOAD=") + CHORELIN_FAKETIME,
                             "FAKETIME_TIMESTAMP_FILE=" + clockFile, "FAKETIME_NO_CACHE=1",
                             "FAKETIME_DONT_FAKE_MONOTONIC=1"});
    ASSERT_TRUE(waitFor(
        [&] { return readFile(trace).find("OnInitialUpdate() End") != std::string::npos; }, 20s));

    // Sunday 08:58: the runs of Friday and Saturday went by unseen.
    setClock(offset + 2 * 86400);
    ASSERT_TRUE(waitFor([&] { return readTaskFile(taskFile)[0].nextRunDate != 20240510; }, 20s));
    ASSERT_TRUE(waitFor([&] { return exists(runs) == on; }, 20s));
    program.signal(SIGTERM);
    ASSERT_EQ(program.waitForExit(20s), 0);

    const TaskRecord saved = readTaskFile(taskFile)[0];
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
