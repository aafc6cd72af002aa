#include "ui/days_off_commands.h"

#include "dialogs/days_off_section.h"
#include "dialogs/holiday_list_dialog.h"
#include "dialogs/official_data_section.h"
#include "engine/holiday_install.h"
#include "engine/official_holidays.h"
#include "platform/clock.h"
#include "platform/settings_values.h"
#include "ui/chorelin_view.h"
#include "ui/command_support.h"
#include "ui/holiday_commands.h"

#include <utility>

namespace {

HolidaySources sourcesInForce(AppContext& ctx) {
    TaskLockGuard guard(ctx.taskLock);
    return MyHolidaySources(ctx);
}

} // namespace

bool saveDaysOff(CChorelinView& view, const std::vector<HolidayRow>& days) {
    AppContext& ctx = view.context();
    TaskLockGuard guard(ctx.taskLock);
    if (ctx.holidays.path.empty())
        ctx.holidays.path = holidayFilePath();
    if (ctx.daysOff.path.empty())
        ctx.daysOff.path = daysOffPathBeside(ctx.holidays.path);
    const std::string failure = MyDaysOffWrite(days, ctx.daysOff.path);
    if (!failure.empty()) {
        showCommandMessage(Prompter::Kind::Refusal, failure, &view);
        return false;
    }
    MyHolidayReload(ctx);
    if (!ctx.daysOff.refusal.empty()) {
        // Written but not believed (its folder, say): the user must hear it now, not later.
        showCommandMessage(Prompter::Kind::Refusal, ctx.daysOff.refusal, &view);
        return false;
    }
    view.MySetItem();
    view.MyListArrange();
    return true;
}

bool useOfficialHolidays(CChorelinView& view) {
    return installHolidayData(view, officialHolidays());
}

void addHolidayListSections(CChorelinView& view, CDialogHolidayList& dialog) {
    std::vector<HolidayRow> days;
    {
        TaskLockGuard guard(view.context().taskLock);
        days = view.context().daysOff.rows;
    }
    dialog.addSection(new DaysOffSection(std::move(days),
                                         [&view, &dialog](const std::vector<HolidayRow>& changed) {
                                             if (!saveDaysOff(view, changed))
                                                 return false;
                                             dialog.setSources(sourcesInForce(view.context()));
                                             return true;
                                         }));
    dialog.addSection(new OfficialDataSection([&view, &dialog] {
        if (!useOfficialHolidays(view))
            return false;
        dialog.setSources(sourcesInForce(view.context()));
        return true;
    }));
}

std::string extraHolidayNotice(CChorelinView& view) {
    AppContext& ctx = view.context();
    std::string notice;
    bool builtinInForce = false;
    const int thisYear = platform::localTime().year;
    {
        TaskLockGuard guard(ctx.taskLock);
        notice = ctx.daysOff.refusal;
        builtinInForce = MyHolidaySources(ctx).sourceOf(thisYear) == HolidaySource::Builtin;
    }
    platform::SettingsValues& store = platform::userSettings();
    store.open();
    if (!builtinInForce || store.readInt(kBuiltinNoticeKey).value_or(0) != 0)
        return notice;
    // Only the days still ahead matter to the runs to come.
    const int32_t today = platform::dateNumber(platform::localTime());
    std::vector<BuiltinDifference> differences = builtinDifferences(thisYear);
    std::erase_if(differences, [today](const BuiltinDifference& d) { return d.date < today; });
    if (differences.empty())
        return notice;
    const std::string first = builtinDifferenceLine(differences.front()).toStdString();
    if (!notice.empty())
        notice += "\n\n";
    notice += "組み込みの祝日表は内閣府の公式の祝日と違う日があります（この先 " +
              std::to_string(differences.size()) + "日。次は " + first +
              "）。\n「ファイル」メニューの「祝日の一覧」で違いを確かめ、「同梱の公式データを使う」"
              "で公式の祝日に切り替えられます。";
    store.writeInt(kBuiltinNoticeKey, 1);
    store.flush();
    return notice;
}

std::string showHolidayNews(CChorelinView& view) {
    AppContext& ctx = view.context();
    std::string news;
    {
        TaskLockGuard guard(ctx.taskLock);
        news = std::exchange(ctx.holidayNews, std::string());
    }
    if (!news.empty())
        showHolidayMessage(view, news);
    return news;
}
