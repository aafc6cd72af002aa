#include "ui/holiday_commands.h"

#include "dialogs/holiday_list_dialog.h"
#include "engine/holiday_install.h"
#include "engine/holiday_notice.h"
#include "platform/clock.h"
#include "platform/settings_files.h"
#include "store/trace.h"
#include "ui/chorelin_view.h"
#include "ui/command_support.h"
#include "ui/days_off_commands.h"

#include <QFileDialog>
#include <QMessageBox>
#include <QStandardPaths>
#include <algorithm>

namespace {

// The table and its rows after the holiday data changed: every next run may have moved.
void redrawList(CChorelinView& view) {
    view.MySetItem();
    view.MyListArrange();
}

std::string installedPath(AppContext& ctx) {
    TaskLockGuard guard(ctx.taskLock);
    if (ctx.holidays.path.empty())
        ctx.holidays.path = holidayFilePath();
    return ctx.holidays.path;
}

HolidaySources sourcesInForce(AppContext& ctx) {
    TaskLockGuard guard(ctx.taskLock);
    return MyHolidaySources(ctx);
}

} // namespace

void runHolidayImportCommand(CChorelinView& view) {
    traceLine("CChorelinView::OnHolidayImport() Start");
    const QString path = QFileDialog::getOpenFileName(
        view.window(), QStringLiteral("祝日データの読み込み"),
        QStandardPaths::writableLocation(QStandardPaths::DownloadLocation),
        QStringLiteral("CSV ファイル (*.csv);;すべてのファイル (*)"));
    if (!path.isEmpty())
        importHolidayFile(view, path.toStdString());
    traceLine("CChorelinView::OnHolidayImport() End");
}

bool importHolidayFile(CChorelinView& view, const std::string& path) {
    // The user's file is read before the lock is taken: it may sit on a slow disk.
    const HolidayCsv csv = MyHolidayCheckFile(path);
    if (!csv.accepted()) {
        showCommandMessage(Prompter::Kind::Refusal, csv.refusal, &view);
        return false;
    }
    return installHolidayData(view, csv);
}

bool installHolidayData(CChorelinView& view, const HolidayCsv& csv) {
    AppContext& ctx = view.context();
    {
        TaskLockGuard guard(ctx.taskLock);
        if (ctx.holidays.path.empty())
            ctx.holidays.path = holidayFilePath();
        const std::string failure = MyHolidayWriteCopy(csv, ctx.holidays.path);
        if (!failure.empty()) {
            showCommandMessage(Prompter::Kind::Refusal, failure, &view);
            return false;
        }
        MyHolidayReload(ctx);
        redrawList(view);
        // Written, but not to be believed where it lies (a folder others may write): not done.
        if (!ctx.holidays.refusal.empty()) {
            showCommandMessage(Prompter::Kind::Refusal, ctx.holidays.refusal, &view);
            return false;
        }
    }
    showCommandMessage(Prompter::Kind::Information,
                       "祝日データを読み込みました。\n\n" + holidayRangesText(sourcesInForce(ctx)),
                       &view);
    return true;
}

void runHolidayRevertCommand(CChorelinView& view) {
    traceLine("CChorelinView::OnHolidayRevert() Start");
    AppContext& ctx = view.context();
    TaskLockGuard guard(ctx.taskLock);
    if (ctx.holidays.path.empty())
        ctx.holidays.path = holidayFilePath();
    const std::string path = ctx.holidays.path;
    if (!platform::fileStamp(path).exists) {
        showCommandMessage(Prompter::Kind::Refusal,
                           "読み込んだ祝日データはありません。\n組み込みの祝日表を使用中です。",
                           &view);
    } else if (showCommandMessage(Prompter::Kind::ContinueQuestion,
                                  "読み込んだ祝日データ(" + path +
                                      ") を削除して、組み込みの祝日表に戻しますか？",
                                  &view)) {
        // Removing the user's data asks with いいえ as the default answer.
        const bool removed = platform::removePrivateFile(path);
        if (!removed)
            showCommandMessage(Prompter::Kind::Refusal,
                               "祝日データ(" + path + ") を削除できません。", &view);
        MyHolidayReload(ctx);
        redrawList(view);
        if (removed)
            showCommandMessage(Prompter::Kind::Information,
                               "組み込みの祝日表に戻しました。\n\n" +
                                   holidayRangesText(sourcesInForce(ctx)),
                               &view);
    }
    traceLine("CChorelinView::OnHolidayRevert() End");
}

bool holidayFileInstalled(CChorelinView& view) {
    return platform::fileStamp(installedPath(view.context())).exists;
}

void runHolidayListCommand(CChorelinView& view) {
    AppContext& ctx = view.context();
    std::string note;
    HolidaySources sources;
    {
        TaskLockGuard guard(ctx.taskLock);
        note = ctx.holidays.refusal;
        if (!ctx.daysOff.refusal.empty())
            note += (note.empty() ? "" : "\n\n") + ctx.daysOff.refusal;
        sources = MyHolidaySources(ctx);
    }
    const int year = std::clamp(platform::localTime().year, kCalendarFirstYear, kCalendarLastYear);
    CDialogHolidayList dialog(std::move(sources), note, year, view.window());
    addHolidayListSections(view, dialog);
    dialog.exec();
}

std::string showHolidayNotice(CChorelinView& view) {
    AppContext& ctx = view.context();
    std::string notice;
    {
        TaskLockGuard guard(ctx.taskLock);
        notice = holidayNotice(MyHolidaySources(ctx), ctx.holidays.refusal,
                               platform::dateNumber(platform::localTime()));
    }
    const std::string differences = extraHolidayNotice(view);
    if (!differences.empty())
        notice += (notice.empty() ? "" : "\n\n") + differences;
    if (notice.empty())
        return notice;
    showHolidayMessage(view, notice);
    return notice;
}

void showHolidayMessage(CChorelinView& view, const std::string& notice) {
    traceLine(notice);
    const QString text = QString::fromStdString(notice);
    QSystemTrayIcon* tray = view.trayIcon();
    if (tray && tray->isVisible() && QSystemTrayIcon::isSystemTrayAvailable() &&
        QSystemTrayIcon::supportsMessages()) {
        tray->showMessage(QStringLiteral("Chorelin"), text, QSystemTrayIcon::Information, 30000);
        return;
    }
    auto* box = new QMessageBox(QMessageBox::Information, QStringLiteral("Chorelin"), text,
                                QMessageBox::Ok, view.window());
    box->setObjectName(QStringLiteral("holidayNotice"));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::NonModal);
    box->show();
}
