// Many tasks at once: 256 due in the same minute, 256 processes running together, and a year of
// every schedule kind on the fake clock compared with a calendar computed here independently.

#include "engine/calendar.h"
#include "engine/workers.h"
#include "reliability_helpers.h"
#include "store/trace.h"
#include "support/fake_clock.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <gtest/gtest.h>
#include <map>
#include <set>

using namespace reliability;
using testing_support::FakeClock;
using testing_support::makeTask;

namespace {

int countLines(const std::string& path, const std::string& text) {
    int n = 0;
    for (const std::string& line : engine_test::readLines(path))
        n += line == text;
    return n;
}

TEST(Load, AllTasksDueInOneMinuteStartInOnePassAndEveryEndIsRecorded) {
    Scene scene;
    FakeClock clock(2024, 5, 10, 9, 0, 0);
    const std::string trace = scene.home.scratch() + "/trace.log";
    setenv("CHORELIN_TRACE", trace.c_str(), 1);
    resetTraceSink();
    scene.fillWithDueSleepers();
    std::atomic<int> ends{0};
    scene.ctx->viewWindow = [&ends](int message, int) {
        if (message == WM_MYTASKEND)
            ++ends;
    };

    ASSERT_TRUE(MySchedulerPass(*scene.ctx));
    std::set<int> pids;
    for (const TaskRecord& t : scene.ctx->tasks) {
        EXPECT_EQ(t.state, StateRunning) << t.name;
        EXPECT_EQ(t.launchResult, LaunchStarted);
        EXPECT_EQ(t.lastRunDate, 20240510);
        EXPECT_EQ(fieldView(t.nextRunText), "2024/05/11");
        pids.insert(t.processInfo.processId);
    }
    EXPECT_EQ(pids.size(), static_cast<size_t>(kMaxTaskCount));
    // The file was written twice, before the starts and after them, whatever their number,
    // and holds the whole table as it stands after the last.
    EXPECT_EQ(countLines(trace, "MyTaskWrite() End Ret=0"), 2);
    const std::vector<TaskRecord> written = testing_support::readTaskFile(scene.taskFile);
    ASSERT_EQ(written.size(), static_cast<size_t>(kMaxTaskCount));
    EXPECT_EQ(
        std::memcmp(written.data(), scene.ctx->tasks.data(), kMaxTaskCount * sizeof written[0]), 0);
    unsetenv("CHORELIN_TRACE");
    resetTraceSink();

    // All 256 are watched at once: when they are all killed from outside, every end is seen.
    ASSERT_TRUE(MyCreateWorkers(*scene.ctx));
    scene.ctx->watcherRunEvent.set();
    for (int pid : pids)
        ::kill(pid, SIGKILL);
    const bool allEnded = engine_test::waitUntil(
        [&] {
            TaskLockGuard lock(scene.ctx->taskLock);
            return std::all_of(
                scene.ctx->tasks.begin(), scene.ctx->tasks.end(), [](const TaskRecord& t) {
                    return t.state == StateWaiting && t.processInfo.processHandle == 0;
                });
        },
        std::chrono::seconds(30));
    MyStopWorkers(*scene.ctx);
    EXPECT_TRUE(allEnded);
    EXPECT_EQ(ends.load(), kMaxTaskCount);
    endAllProcesses(*scene.ctx);
    EXPECT_TRUE(engine_test::zombieChildren().empty());
}

// The independent side: which days of 2024 each schedule runs on, from std::chrono and the
// holiday dates alone.
struct YearTask {
    TaskDraft draft;
    bool (*runsOn)(int date, unsigned weekday, bool weekdayKind);
};

std::vector<int> expectedDays(const YearTask& task, const std::set<int>& holidays) {
    using namespace std::chrono;
    std::vector<int> dates;
    for (sys_days d = sys_days(year{2024} / January / 1); d <= sys_days(year{2024} / December / 31);
         d += days{1}) {
        const year_month_day ymd(d);
        const int date = static_cast<int>(ymd.year()) * 10000 +
                         static_cast<int>(static_cast<unsigned>(ymd.month())) * 100 +
                         static_cast<int>(static_cast<unsigned>(ymd.day()));
        const unsigned wd = weekday(d).c_encoding();
        const bool weekdayKind = wd >= 1 && wd <= 5 && !holidays.count(date);
        if (task.runsOn(date, wd, weekdayKind))
            dates.push_back(date);
    }
    return dates;
}

TEST(Load, AYearOfEverySchedulePicksExactlyItsDays) {
    Scene scene;
    FakeClock clock(2024, 1, 1, 0, 0, 0);
    testing_support::writeFile(scene.taskFile, "", 0600);
    // Starts fail at once (no such interpreter), so the year needs no processes; a failed start
    // is recorded as that day's run all the same.
    const std::string program = scene.home.scratch() + "/job.sh";
    testing_support::writeFile(program, "#!/nonexistent/interpreter\n", 0755);
    auto draft = [&](const std::string& name, const std::string& schedule,
                     const std::string& runTime = "09:00") {
        TaskDraft s;
        s.name = name;
        s.schedule = schedule;
        s.runTime = runTime;
        s.registeredFile = program;
        return s;
    };
    std::vector<YearTask> tasks = {
        {draft("daily", "毎日"), [](int, unsigned, bool) { return true; }},
        {draft("weekdays", "平日"), [](int, unsigned, bool w) { return w; }},
        {draft("holidays", "休日"), [](int, unsigned, bool w) { return !w; }},
        {draft("monThu", "月・木"), [](int, unsigned wd, bool) { return wd == 1 || wd == 4; }},
        {draft("sunday", "日"), [](int, unsigned wd, bool) { return wd == 0; }},
        {draft("lateWeekdays", "平日", "23:59"), [](int, unsigned, bool w) { return w; }},
        {draft("once", "１回のみ"), [](int date, unsigned, bool) { return date == 20240315; }},
        {draft("april", "毎日"),
         [](int date, unsigned, bool) { return date >= 20240401 && date <= 20240430; }},
    };
    tasks[6].draft.startDate = "2024/03/15";
    tasks[7].draft.startDate = "2024/04/01";
    tasks[7].draft.endDate = "2024/04/30";
    std::vector<TaskRecord> records;
    for (const YearTask& t : tasks)
        records.push_back(makeTask(t.draft));
    scene.setTable(records);
    for (int i = 0; i < scene.ctx->taskCount; ++i)
        MySetNextExec(*scene.ctx, i);

    std::map<std::string, std::vector<int>> started;
    const int timesOfDay[][3] = {{0, 0, 0},  {8, 59, 59},  {9, 0, 0},   {9, 0, 30},
                                 {12, 0, 0}, {23, 58, 59}, {23, 59, 0}, {23, 59, 30}};
    for (int day = 0; day < 366; ++day) {
        for (const auto& t : timesOfDay) {
            clock.setTime(t[0], t[1], t[2]);
            for (TaskRecord& r : scene.ctx->tasks)
                r.launchResult = LaunchNever;
            MySchedulerPass(*scene.ctx);
            for (const TaskRecord& r : scene.ctx->tasks) {
                if (r.launchResult != LaunchNever)
                    started[fieldString(r.name)].push_back(r.lastRunDate);
            }
        }
        clock.setTime(0, 0, 0);
        clock.advanceSeconds(24 * 3600);
    }

    const std::set<int> holidays(HolidayTable.begin(), HolidayTable.end());
    for (const YearTask& t : tasks) {
        SCOPED_TRACE(t.draft.name);
        const std::vector<int> expected = expectedDays(t, holidays);
        EXPECT_FALSE(expected.empty());
        EXPECT_EQ(started[t.draft.name], expected);
    }
    EXPECT_EQ(scene.ctx->tasks[7].state, StateCompleted); // past its end date
    EXPECT_TRUE(engine_test::zombieChildren().empty());
}

} // namespace
