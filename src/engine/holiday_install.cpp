#include "engine/holiday_install.h"

#include "engine/days_off_csv.h"
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
    case platform::ReadStatus::Untrusted:
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

namespace {

std::string folderOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string(".") : path.substr(0, slash == 0 ? 1 : slash);
}

// Which days count as holidays decides when the user's programs run: a file that someone else
// may have put there, or may replace, is not believed, as the task file is not.
std::string trustReason(const platform::TrustedRead& read, const std::string& path) {
    switch (read.trust) {
    case platform::FileTrust::FileForeignOwner:
    case platform::FileTrust::FileWritableByOthers:
        return "他のユーザーが変更できるファイルです。chmod 600 " + path + " で直してください。";
    case platform::FileTrust::FolderForeignOwner:
        return "フォルダ " + read.culprit +
               " が他のユーザーの所有です。自分の所有に戻してください。";
    case platform::FileTrust::FolderWritableByOthers:
        return "フォルダ " + read.culprit + " を他のユーザーが変更できます。chmod 700 " +
               read.culprit + " で直してください。";
    case platform::FileTrust::Unexaminable:
    case platform::FileTrust::Trusted:
        break;
    }
    return "ファイルまたはフォルダの所有者と権限を確かめられません。";
}

using DayListParser = HolidayCsv (*)(std::string_view);

HolidayFileState readInstalled(const std::string& path, DayListParser parse, const char* what) {
    HolidayFileState state;
    state.path = path;
    state.folder = platform::folderStamp(folderOf(path));
    const platform::TrustedRead trusted = platform::readTrustedFile(path, kHolidayCsvMaxBytes);
    const platform::FileRead& read = trusted.read;
    state.stamp = read.stamp;
    if (read.status == platform::ReadStatus::Missing)
        return state;
    const auto refuse = [&](const std::string& reason) {
        return std::string(what) + "(" + path + ") を読み込めません。\n" + reason;
    };
    if (read.status == platform::ReadStatus::Untrusted) {
        state.refusal = refuse(trustReason(trusted, path));
    } else if (read.status != platform::ReadStatus::Ok) {
        state.refusal = refuse(readFailure(read.status));
    } else {
        HolidayCsv csv = parse(read.bytes);
        if (csv.accepted())
            state.rows = std::move(csv.rows);
        else
            state.refusal = refuse(csv.refusal);
    }
    if (!state.refusal.empty())
        traceLine(state.refusal);
    return state;
}

bool changedOnDisk(const HolidayFileState& state) {
    return !state.path.empty() && (platform::fileStamp(state.path) != state.stamp ||
                                   platform::folderStamp(folderOf(state.path)) != state.folder);
}

bool sameRows(const std::vector<HolidayRow>& a, const std::vector<HolidayRow>& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](const HolidayRow& x, const HolidayRow& y) {
                          return x.date == y.date && x.name == y.name;
                      });
}

// What to tell the user about a file that changed under a running program; empty when what is
// in force stayed the same.
std::string newsOf(const HolidayFileState& before, const HolidayFileState& after, bool national) {
    if (sameRows(before.rows, after.rows) && before.refusal == after.refusal)
        return std::string();
    const std::string what = national ? "祝日データ" : "独自の休日";
    const std::string fallback =
        national ? "組み込みの祝日表を使います。" : "独自の休日はない状態で動作します。";
    if (!after.refusal.empty())
        return after.refusal + "\n" + fallback;
    if (!after.stamp.exists)
        return what + "(" + after.path + ") が削除されました。\n" + fallback;
    return what + "(" + after.path + ") が変更されました。新しい内容を使います。";
}

// The calendar built afresh from what is in force, every next run recomputed, the task file
// written once. The caller holds taskLock.
void rebuild(AppContext& ctx) {
    MyCalMakeFrom(ctx, MyHolidaySources(ctx));
    const platform::LocalTime now = platform::localTime();
    for (int i = 0; i < ctx.taskCount && static_cast<size_t>(i) < ctx.tasks.size(); ++i) {
        if (!leftToTheScheduler(ctx.tasks[static_cast<size_t>(i)], now))
            MySetNextExec(ctx, i);
    }
    MyTaskWrite(ctx, ctx.taskFilePath);
}

} // namespace

std::string daysOffFilePath() {
    return platform::settingsFolder() + "/" + kDaysOffFileName;
}

std::string daysOffPathBeside(const std::string& holidayPath) {
    return folderOf(holidayPath) + "/" + kDaysOffFileName;
}

HolidaySources MyHolidaySources(const AppContext& ctx) {
    return HolidaySources(ctx.holidays.rows, ctx.daysOff.rows);
}

HolidayFileState MyHolidayReadInstalled(const std::string& path) {
    return readInstalled(path, parseHolidayCsv, "祝日データ");
}

HolidayFileState MyDaysOffReadInstalled(const std::string& path) {
    return readInstalled(path, parseDaysOffCsv, "独自の休日");
}

HolidayCsv MyDaysOffCheckFile(const std::string& path) {
    const platform::FileRead read = platform::readWholeFile(path, kHolidayCsvMaxBytes);
    HolidayCsv csv;
    if (read.status != platform::ReadStatus::Ok)
        csv.refusal = readFailure(read.status);
    else
        csv = parseDaysOffCsv(read.bytes);
    if (!csv.accepted())
        csv.refusal = "独自の休日(" + path + ") を読み込めません。\n" + csv.refusal;
    return csv;
}

std::string MyDaysOffWrite(const std::vector<HolidayRow>& rows, const std::string& target) {
    if (!platform::writePrivateFile(target, daysOffCsvText(rows)))
        return "独自の休日を保存できません。\n" + target;
    return std::string();
}

void MyHolidayLoadAtStartup(AppContext& ctx, const std::string& path) {
    traceLine("MyHolidayLoadAtStartup() Start");
    ctx.holidays = MyHolidayReadInstalled(path);
    ctx.daysOff = MyDaysOffReadInstalled(daysOffPathBeside(path));
    // Said once more at start-up for a run without a display, where no notice is seen.
    for (const HolidayFileState* state : {&ctx.holidays, &ctx.daysOff}) {
        if (!state->refusal.empty())
            std::fprintf(stderr, "Chorelin: %s\n", state->refusal.c_str());
    }
    // Without rows the calendar MyCalMake built stays exactly as it is.
    if (!ctx.holidays.rows.empty() || !ctx.daysOff.rows.empty())
        MyCalMakeFrom(ctx, MyHolidaySources(ctx));
    traceLine("MyHolidayLoadAtStartup() End");
}

void MyHolidayApply(AppContext& ctx, HolidayFileState state) {
    traceLine("MyHolidayApply() Start");
    ctx.holidays = std::move(state);
    rebuild(ctx);
    traceLine("MyHolidayApply() End");
}

void MyHolidayReload(AppContext& ctx) {
    TaskLockGuard guard(ctx.taskLock);
    if (ctx.holidays.path.empty())
        return;
    if (ctx.daysOff.path.empty())
        ctx.daysOff.path = daysOffPathBeside(ctx.holidays.path);
    ctx.daysOff = MyDaysOffReadInstalled(ctx.daysOff.path);
    MyHolidayApply(ctx, MyHolidayReadInstalled(ctx.holidays.path));
}

bool MyHolidayReloadIfChanged(AppContext& ctx) {
    TaskLockGuard guard(ctx.taskLock);
    const bool national = changedOnDisk(ctx.holidays);
    const bool own = changedOnDisk(ctx.daysOff);
    if (!national && !own)
        return false;
    traceLine("祝日データのファイルが変わりました。");
    std::string news;
    const auto tell = [&news](const std::string& text) {
        if (!text.empty())
            news += (news.empty() ? "" : "\n\n") + text;
    };
    if (national) {
        HolidayFileState state = MyHolidayReadInstalled(ctx.holidays.path);
        tell(newsOf(ctx.holidays, state, true));
        ctx.holidays = std::move(state);
    }
    if (own) {
        HolidayFileState state = MyDaysOffReadInstalled(ctx.daysOff.path);
        tell(newsOf(ctx.daysOff, state, false));
        ctx.daysOff = std::move(state);
    }
    if (!news.empty()) {
        traceLine(news);
        ctx.holidayNews += (ctx.holidayNews.empty() ? "" : "\n\n") + news;
    }
    rebuild(ctx);
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
