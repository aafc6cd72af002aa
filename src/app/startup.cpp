#include "app/startup.h"

#include "dialogs/prompter.h"
#include "platform/instance_lock.h"
#include "store/fields.h"
#include "store/settings_store.h"
#include "store/startup_paths.h"
#include "store/task_file.h"
#include "store/trace.h"

#include <QGuiApplication>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {
const char* const kStopSuffix = "\nプログラムを停止します。";

[[noreturn]] void fatalStop(const char* reason) {
    fatalExit((std::string(reason) + kStopSuffix).c_str());
}
} // namespace

void fatalExit(const char* utf8Message) {
    std::fprintf(stderr, "Chorelin: %s\n", utf8Message);
    std::fflush(stderr);
    // On the offscreen platform (no display) nobody could see or answer a box.
    if (QGuiApplication::platformName() != QLatin1String("offscreen"))
        prompter().ask(Prompter::Kind::Fatal, utf8Message);
    std::_Exit(0);
}

AppContext& buildSharedState() {
    platform::InstanceLock::Status status;
    std::unique_ptr<platform::InstanceLock> lock =
        platform::InstanceLock::acquire("Chorelin.Mutex", status);
    if (status == platform::InstanceLock::Status::HeldElsewhere)
        fatalStop("Chorelinは既に起動されています。");
    if (!lock)
        fatalStop("オブジェクトの作成に失敗しました。");

    // Lives until the process ends, as every thread reaches it.
    AppContext* ctx = new (std::nothrow) AppContext();
    if (!ctx)
        fatalStop("メモリの割り当てに失敗しました。");
    setTheContext(ctx);
    ctx->instanceMutex = std::move(lock);

    switch (MyFormPaths(*ctx)) {
    case PathsResult::Ok:
        break;
    case PathsResult::TooLong:
        fatalStop("タスクファイルのパスが長すぎます。");
    default:
        fatalStop("タスクファイルの作成に失敗しました。");
    }
    tracef("=== %s START ===", fieldString(ctx->programName).c_str());
    traceLine("CMainFrame::CMainFrame() Start");
    MyConfigLoadAtStartup(*ctx);
    traceLine("CMainFrame::CMainFrame() End");
    return *ctx;
}

void loadTasksAtStartup(AppContext& ctx) {
    if (!MyTaskLoadAtStartup(ctx))
        fatalStop("タスクファイルの作成に失敗しました。");
}

void runShutdown(AppContext& ctx) {
    traceLine("CMainFrame::OnClose() Start");
    {
        TaskLockGuard guard(ctx.taskLock);
        MyTaskWrite(ctx, ctx.taskFilePath);
    }
    traceLine("CMainFrame::OnClose() End");
    tracef("=== %s END ===", fieldString(ctx.programName).c_str());
}
