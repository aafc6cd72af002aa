// The real program on a shifted wall clock (libfaketime): while it runs, the clock leaps two days
// past a task's run, as after a sleep that nobody announced. With CatchUpMissedRuns on the missed
// run is made once, after the clock has run on steadily for a minute; with it off the task only
// moves on to its next day. A leap of 400 days undone seconds later runs nothing and moves
// nothing.

#include "process_runner.h"
#include "store/fields.h"
#include "support/task_builders.h"
#include "support/temp_home.h"

#include <csignal>
#include <ctime>
#include <gtest/gtest.h>
#include <tuple>

using namespace testing_support;
using namespace std::chrono_literals;

namespace {

class CatchUpProgram : public ::testing::TestWithParam<std::tuple<bool, bool>> {};

TEST_P(CatchUpProgram, TwoDayLeapMakesTheMissedRunOnceOnlyWhenOn) {
    const auto [on, undone] = GetParam();
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

    const auto traced = [&](const char* text) {
        return waitFor([&] { return readFile(trace).find(text) != std::string::npos; }, 20s);
    };
    // Sunday 08:58 (the runs of Friday and Saturday went by unseen), or 400 days on.
    setClock(offset + (undone ? 400 : 2) * 86400);
    ASSERT_TRUE(traced("秒進みました"));
    if (undone) {
        setClock(offset + 4);
        ASSERT_TRUE(traced("秒戻りました"));
    } else {
        setClock(offset + 2 * 86400 + 61); // a minute on: the clock is steady
        ASSERT_TRUE(
            waitFor([&] { return readTaskFile(taskFile)[0].nextRunDate != 20240510; }, 20s));
        ASSERT_TRUE(waitFor([&] { return exists(runs) == on; }, 20s));
    }
    program.signal(SIGTERM);
    ASSERT_EQ(program.waitForExit(20s), 0);

    const TaskRecord saved = readTaskFile(taskFile)[0];
    const bool made = on && !undone;
    EXPECT_EQ(readFile(runs), made ? "run\n" : "");
    EXPECT_EQ(fieldString(saved.lastRunText), made ? "2024/05/12" : "2024/05/09");
    // Sunday's own 09:00 run is still ahead, make-up or not; after the undone leap Friday's is.
    EXPECT_EQ(fieldString(saved.nextRunText), undone ? "2024/05/10" : "2024/05/12");
    EXPECT_EQ(readFile(trace).find("2024/05/10 09:00 の実行が行われていないため") !=
                  std::string::npos,
              made);
}

INSTANTIATE_TEST_SUITE_P(Setting, CatchUpProgram,
                         ::testing::Combine(::testing::Bool(), ::testing::Bool()),
                         [](const auto& info) {
                             return std::string(std::get<0>(info.param) ? "On" : "Off") +
                                    (std::get<1>(info.param) ? "LeapUndone" : "");
                         });

} // namespace
