// The programs the scheduler reads ahead before a minute: those of the tasks due at its second
// 00 by the pass's own rule, each once, across midnight and the year's end too.

#include "engine/start_warmup.h"
#include "support/task_builders.h"

#include <gtest/gtest.h>

using namespace testing_support;

namespace {

TEST(StartWarmUp, ProgramsOfTheTasksDueNextMinuteEachOnce) {
    AppContext ctx;
    // Registered file, run time, next run, state, program when it is not the file itself.
    for (const auto& [file, runTime, nextRun, state, program] :
         std::vector<std::tuple<std::string, std::string, std::string, int, std::string>>{
             {"/p/a.sh", "09:00", "2024/05/10", StateWaiting, ""},
             {"/p/a.sh", "09:00", "2024/05/10", StateWaiting, ""}, // the same program: once
             {"/p/予定.txt", "09:00", "2024/05/10", StateWaiting, "/p/viewer"},
             {"/p/off.sh", "09:00", "2024/05/10", StateDisabled, ""},
             {"/p/running.sh", "09:00", "2024/05/10", StateRunning, ""},
             {"/p/later.sh", "09:01", "2024/05/10", StateWaiting, ""},
             {"/p/midnight.sh", "00:00", "2024/05/11", StateWaiting, ""},
             {"/p/new-year.sh", "00:00", "2025/01/01", StateWaiting, ""}}) {
        ctx.tasks.push_back(makeTask({.runTime = runTime,
                                      .registeredFile = file,
                                      .executableFile = program,
                                      .nextRun = nextRun,
                                      .state = state}));
    }
    ctx.taskCount = static_cast<int32_t>(ctx.tasks.size());

    // Now (month, day, hour, minute; second 59.5) and the programs read ahead.
    for (const auto& [month, day, hour, minute, programs] :
         std::vector<std::tuple<int, int, int, int, std::vector<std::string>>>{
             {5, 10, 8, 59, {"/p/a.sh", "/p/viewer"}},
             {5, 10, 8, 58, {}},
             // A minute passed without a start: the task is due at the next one as well.
             {5, 10, 9, 0, {"/p/a.sh", "/p/viewer", "/p/later.sh"}},
             {5, 10, 23, 59, {"/p/midnight.sh"}},
             {12, 31, 23, 59, {"/p/new-year.sh"}}}) {
        const platform::LocalTime now{.year = 2024,
                                      .month = month,
                                      .day = day,
                                      .hour = hour,
                                      .minute = minute,
                                      .second = 59,
                                      .millisecond = 500};
        std::vector<std::string> want;
        for (const std::string& program : programs)
            want.push_back(cp932(program));
        EXPECT_EQ(MyProgramsDueNextMinute(ctx, now), want) << month << "/" << day << " " << hour;
    }
}

} // namespace
