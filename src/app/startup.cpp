#include "app/startup.h"

#include "app/about_text.h"
#include "app/run_history_link.h"
#include "dialogs/prompter.h"
#include "engine/calendar.h"
#include "engine/holiday_install.h"
#include "engine/workers.h"
#include "history/history_store.h"
#include "platform/files.h"
#include "platform/instance_lock.h"
#include "platform/startup_link.h"
#include "store/fields.h"
#include "store/history_settings.h"
#include "store/settings_store.h"
#include "store/startup_paths.h"
#include "store/task_file.h"
#include "store/trace.h"

#include <QGuiApplication>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <string>

namespace {
const char* const kStopSuffix = "\nプログラムを停止します。";
} // namespace

void fatalExit(const char* utf8Message) {
    std::fprintf(stderr, "Chorelin: %s\n", utf8Message);
    std::fflush(stderr);
    // On the offscreen platform (no display) nobody could see or answer a box.
    if (QGuiApplication::platformName() != QLatin1String("offscreen"))
        prompter().ask(Prompter::Kind::Fatal, utf8Message);
    std::_Exit(0);
}

void fatalStop(const char* utf8Reason) {
    fatalExit((std::string(utf8Reason) + kStopSuffix).c_str());
}

SharedState buildSharedState() {
    // Lives until the process ends, as every thread reaches it.
    AppContext* ctx = new (std::nothrow) AppContext();
    if (!ctx)
        fatalStop("メモリの割り当てに失敗しました。");
    setTheContext(ctx);

    // The paths come before the single-instance check: the lock lives in the data folder, beside
    // the task file it guards, so two processes serving one task file always meet there.
    switch (MyFormPaths(*ctx)) {
    case PathsResult::Ok:
        break;
    case PathsResult::TooLong:
        fatalStop("タスクファイルのパスが長すぎます。");
    default:
        traceLine("タスクファイルの作成に失敗しました。");
        fatalStop("タスクファイルの作成に失敗しました。");
    }

    platform::InstanceLock::Status status;
    std::unique_ptr<platform::InstanceLock> lock =
        platform::InstanceLock::acquire(systemPath(ctx->dataFolder), "Chorelin.Mutex", status);
    if (status == platform::InstanceLock::Status::HeldElsewhere)
        fatalStop("Chorelinは既に起動されています。");
    // Without a data folder there is no task file to guard either: start-up goes on, and the
    // task file's creation ends it with its own message.
    if (!lock && status != platform::InstanceLock::Status::FolderMissing)
        fatalStop("オブジェクトの作成に失敗しました。");

    // One user, one instance, whatever the program file is called: taken before anything of
    // this instance is written.
    StateFolder state = openStateFolder();

    const platform::SystemPath linkPath = platform::startupLinkPath();
    const int startupRegistered = !linkPath.empty() && platform::pathExists(linkPath) ? 1 : 0;
    ctx->instanceMutex = std::move(lock);

    // A read-only program folder only costs the guide; an existing one is never replaced.
    MyAboutTextWrite(aboutTextPath(*ctx));
    tracef("=== %s START ===", fieldString(ctx->programName).c_str());
    traceLine("CMainFrame::CMainFrame() Start");

    try {
        MyCalMake(*ctx);
        MyHolidayLoadAtStartup(*ctx, holidayFilePath());
    } catch (const std::bad_alloc&) {
        traceLine("メモリの割り当てに失敗しました。");
        fatalStop("メモリの割り当てに失敗しました。");
    }
    MyConfigLoadAtStartup(*ctx);

    if (!MyCreateWorkers(*ctx)) {
        ctx->instanceMutex.reset();
        traceLine("スレッドの起動に失敗しました。");
        traceLine("CMainFrame::CMainFrame() End");
        fatalStop("スレッドの起動に失敗しました。");
    }
    traceLine("CMainFrame::CMainFrame() End");
    return SharedState{*ctx, startupRegistered, std::move(state)};
}

namespace {

void tellNoHistory(const std::string& reason) {
    const std::string text = "実行履歴を記録できないため、履歴なしで続けます。（" + reason + "）";
    traceLine(text);
    std::fprintf(stderr, "Chorelin: %s\n", text.c_str());
    std::fflush(stderr);
}

} // namespace

std::unique_ptr<history::HistoryStore>
openRunHistory(std::unique_ptr<platform::TrustedFolder> stateFolder) {
    if (!stateFolder)
        return nullptr;
    const HistorySettings settings = readHistorySettings();
    history::HistoryOptions options;
    options.limits.runsPerTask = settings.runsPerTask;
    options.limits.outputBytes = int64_t{settings.outputMiB} << 20;
    try {
        return std::make_unique<history::HistoryStore>(std::move(stateFolder), options);
    } catch (const std::exception& e) {
        // No thread or no memory for the writer: the tasks matter more than their history.
        tellNoHistory(e.what());
        return nullptr;
    }
}

void runShutdown(AppContext& ctx, std::unique_ptr<RunHistoryLink> history) {
    traceLine("CMainFrame::OnClose() Start");
    // Each run event is reset before its stop event is set; no lock is held while waiting.
    MyStopWorkers(ctx);
    // Nothing may post to the window any more, and no run is reported any more: the workers
    // are gone, and the window thread is here.
    ctx.viewWindow = nullptr;
    ctx.runObserver = nullptr;
    ctx.madeUpRuns = nullptr;
    {
        TaskLockGuard guard(ctx.taskLock);
        MyTaskWrite(ctx, ctx.taskFilePath);
    }
    // Last, once the table is safe: the runs that ended up to the workers' stop are written,
    // then the database is closed.
    history.reset();
    traceLine("CMainFrame::OnClose() End");
    tracef("=== %s END ===", fieldString(ctx.programName).c_str());
}
