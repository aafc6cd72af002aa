#include "engine/start_warmup.h"

#include "engine/due_check.h"
#include "engine/pass_clock.h"
#include "engine/run_observer.h"
#include "engine/workers.h"
#include "platform/read_ahead.h"
#include "platform/system_path.h"
#include "store/fields.h"
#include "store/task_lock.h"

#include <algorithm>
#include <unordered_set>

namespace {

using std::chrono::milliseconds;
using std::chrono::system_clock;

// Program bytes read in one warm-up at most, and of one file: a burst of large programs must
// not keep the scheduler reading past the minute, nor push out of memory what it warms. Past
// the budget, the files are only asked to be read ahead.
constexpr size_t kReadBudget = 16u << 20;
constexpr size_t kReadPerFile = 4u << 20;
// The reading stops this long before the minute, so that its pass begins on time.
constexpr milliseconds kReadMargin{3};
// Passes begin on the wall clock's half seconds; a pass that woke late still counts as the
// minute's last one within this much.
constexpr milliseconds kPassSlack{20};

// Second 00 of the minute after `t`; the date moves on at midnight.
platform::LocalTime nextMinute(platform::LocalTime t) {
    using namespace std::chrono;
    t.second = 0;
    t.millisecond = 0;
    if (++t.minute < 60)
        return t;
    t.minute = 0;
    if (++t.hour < 24)
        return t;
    t.hour = 0;
    const year_month_day day{
        sys_days{year{t.year} / static_cast<unsigned>(t.month) / static_cast<unsigned>(t.day)} +
        days{1}};
    t.year = static_cast<int>(day.year());
    t.month = static_cast<int>(static_cast<unsigned>(day.month()));
    t.day = static_cast<int>(static_cast<unsigned>(day.day()));
    return t;
}

void warmUp(AppContext& ctx, const std::vector<std::string>& programs,
            system_clock::time_point minute) {
    MySchedulerPass(ctx);
    platform::rehearseReplace(platform::SystemPath(fieldString(ctx.taskFilePath)));
    if (ctx.runObserver)
        ctx.runObserver->runsComing();
    size_t budget = kReadBudget;
    for (const std::string& program : programs) {
        if (system_clock::now() >= minute - kReadMargin)
            break;
        budget -= platform::readAhead(program, std::min(budget, kReadPerFile));
    }
}

} // namespace

std::vector<std::string> MyProgramsDueNextMinute(AppContext& ctx, const platform::LocalTime& now) {
    const DueMoment at = dueMoment(nextMinute(now));
    std::vector<std::string> programs;
    std::unordered_set<std::string> seen;
    TaskLockGuard lock(ctx.taskLock);
    for (int i = 0; i < ctx.taskCount && static_cast<size_t>(i) < ctx.tasks.size(); ++i) {
        const TaskRecord& task = ctx.tasks[static_cast<size_t>(i)];
        if (!MyTaskIsDue(task, at))
            continue;
        std::string program = fieldString(task.executableFile);
        if (seen.insert(program).second)
            programs.push_back(std::move(program));
    }
    return programs;
}

WarmUp MyWarmUpBeforeMinute(AppContext& ctx) {
    const system_clock::time_point now = system_clock::now();
    const system_clock::time_point minute =
        std::chrono::floor<std::chrono::minutes>(now) + std::chrono::minutes(1);
    if (minute - now > milliseconds(500) + kPassSlack)
        return WarmUp::None;
    const std::vector<std::string> programs = MyProgramsDueNextMinute(ctx, platform::localTime());
    if (programs.empty())
        return WarmUp::None;
    const auto longest =
        std::chrono::duration_cast<std::chrono::nanoseconds>(minute - now) + milliseconds(500);
    if (waitForWallClock(ctx.schedulerStopEvent, minute - kWarmUpLead, longest))
        return WarmUp::Stopped;
    warmUp(ctx, programs, minute);
    return waitForWallClock(ctx.schedulerStopEvent, minute, longest) ? WarmUp::Stopped
                                                                     : WarmUp::Ready;
}
