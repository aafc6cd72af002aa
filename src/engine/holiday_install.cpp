#include "engine/holiday_install.h"

#include "engine/next_exec.h"
#include "platform/clock.h"
#include "platform/settings_files.h"
#include "store/fields.h"
#include "store/task_file.h"
#include "store/trace.h"

#include <cstdio>
#include <string_view>

namespace {

std::string readFailure(platform::ReadStatus status) {
    switch (status) {
    case platform::ReadStatus::Missing:
        return "ファイルが見つかりません。";
    case platform::ReadStatus::TooLarge:
        return "ファイルが大きすぎます（4MB まで）。";
    case platform::ReadStatus::NotAFile:
        return "通常のファイルではありません。";
    case platform::ReadStatus::Failed:
    case platform::ReadStatus::Ok:
        break;
    }
    return "ファイルを開けません。";
}

// Runs the scheduler's next pass still has to deal with keep their next run day: one whose
// minute has come today but that has not started yet (computed afresh now, today would be passed
// over), and one whose day went by unseen (the pass makes it up, or moves it on, itself).
bool leftToTheScheduler(const TaskRecord& task, const platform::LocalTime& now) {
    if (task.state == StateDisabled || task.state == StateRunning || task.state == StateCompleted ||
        task.processInfo.processHandle != 0)
        return false;
    const int32_t today = platform::dateNumber(now);
    if (task.nextRunDate != 0 && task.nextRunDate < today)
        return true;
    if (task.nextRunDate != today || task.lastRunDate == task.nextRunDate)
        return false;
    char timeText[16];
    std::snprintf(timeText, sizeof timeText, "%02d:%02d:%02d", now.hour % 100, now.minute % 100,
                  now.second % 100);
    return fieldView(task.runTime).compare(timeText) <= 0;
}

} // namespace

std::string holidayFilePath() {
    return platform::settingsFolder() + "/" + kHolidayFileName;
}

std::string holidayRefusalMessage(const std::string& file, const std::string& reason) {
    return "祝日データ(" + file + ") を読み込めません。\n" + reason;
}

HolidayCsv MyHolidayCheckFile(const std::string& path) {
    const platform::FileRead read = platform::readWholeFile(path, kHolidayCsvMaxBytes);
    HolidayCsv csv;
    if (read.status != platform::ReadStatus::Ok)
        csv.refusal = readFailure(read.status);
    else
        csv = parseHolidayCsv(read.bytes);
    if (!csv.accepted())
        csv.refusal = holidayRefusalMessage(path, csv.refusal);
    return csv;
}

std::string MyHolidayWriteCopy(const HolidayCsv& csv, const std::string& target) {
    if (!platform::writePrivateFile(target, csv.utf8Text))
        return "祝日データを保存できません。\n" + target;
    return std::string();
}

HolidayFileState MyHolidayReadInstalled(const std::string& path) {
    HolidayFileState state;
    state.path = path;
    const platform::FileRead read = platform::readWholeFile(path, kHolidayCsvMaxBytes);
    // A file that could not even be opened is still watched by what stat says of it.
    state.stamp = read.stamp.exists ? read.stamp : platform::fileStamp(path);
    if (read.status == platform::ReadStatus::Missing)
        return state;
    if (read.status != platform::ReadStatus::Ok) {
        state.refusal = holidayRefusalMessage(path, readFailure(read.status));
    } else if (read.sharedWithOthers) {
        // Which days count as holidays decides when the user's programs run.
        state.refusal =
            holidayRefusalMessage(path, "他のユーザーが変更できるファイルです。chmod 600 " + path +
                                            " で直してください。");
    } else {
        HolidayCsv csv = parseHolidayCsv(read.bytes);
        if (csv.accepted())
            state.rows = std::move(csv.rows);
        else
            state.refusal = holidayRefusalMessage(path, csv.refusal);
    }
    if (!state.refusal.empty())
        traceLine(state.refusal);
    return state;
}

void MyHolidayLoadAtStartup(AppContext& ctx, const std::string& path) {
    traceLine("MyHolidayLoadAtStartup() Start");
    ctx.holidays = MyHolidayReadInstalled(path);
    // Said once more at start-up for a run without a display, where no notice is seen.
    if (!ctx.holidays.refusal.empty())
        std::fprintf(stderr, "Chorelin: %s\n", ctx.holidays.refusal.c_str());
    // Without rows the calendar MyCalMake built stays exactly as it is.
    if (!ctx.holidays.rows.empty())
        MyCalMakeFrom(ctx, HolidaySources(ctx.holidays.rows));
    traceLine("MyHolidayLoadAtStartup() End");
}

void MyHolidayApply(AppContext& ctx, HolidayFileState state) {
    traceLine("MyHolidayApply() Start");
    ctx.holidays = std::move(state);
    MyCalMakeFrom(ctx, HolidaySources(ctx.holidays.rows));
    const platform::LocalTime now = platform::localTime();
    for (int i = 0; i < ctx.taskCount && static_cast<size_t>(i) < ctx.tasks.size(); ++i) {
        if (!leftToTheScheduler(ctx.tasks[static_cast<size_t>(i)], now))
            MySetNextExec(ctx, i);
    }
    MyTaskWrite(ctx, ctx.taskFilePath);
    traceLine("MyHolidayApply() End");
}

void MyHolidayReload(AppContext& ctx) {
    TaskLockGuard guard(ctx.taskLock);
    if (ctx.holidays.path.empty())
        return;
    MyHolidayApply(ctx, MyHolidayReadInstalled(ctx.holidays.path));
}

bool MyHolidayReloadIfChanged(AppContext& ctx) {
    TaskLockGuard guard(ctx.taskLock);
    if (ctx.holidays.path.empty() || platform::fileStamp(ctx.holidays.path) == ctx.holidays.stamp)
        return false;
    traceLine("祝日データのファイルが変わりました。");
    MyHolidayApply(ctx, MyHolidayReadInstalled(ctx.holidays.path));
    return true;
}

std::string holidayRangesText(const HolidaySources& sources) {
    std::string text;
    for (const YearRange& range : sources.ranges()) {
        if (!text.empty())
            text += "\n";
        text += std::to_string(range.first) + "年～" + std::to_string(range.last) +
                "年: " + holidaySourceLabel(range.source);
    }
    return text;
}
