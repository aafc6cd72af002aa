// Chorelin: runs the user's programs and documents at their minute.

#include "app/desktop_integration.h"
#include "app/headless.h"
#include "app/main_frame.h"
#include "app/signal_bridge.h"
#include "app/startup.h"
#include "app/task_file_refusal.h"
#include "cli/command_line.h"
#include "history/history_store.h"
#include "platform/process.h"
#include "resources/command_ids.h"
#include "ui/chorelin_view.h"
#include "ui/failure_notifier.h"

#include <QApplication>

int main(int argc, char** argv) {
    // Before any thread exists (Qt's, the workers', the C library's): a SIGCHLD ignored by
    // whoever started this program would have every task's end reaped away unseen.
    platform::resetInheritedSignals();
    ignoreFileSizeSignal();
    // The command-line commands need no display and leave a running instance alone.
    if (cli::wantsCommand(argc, argv))
        return cli::runCommand(argc, argv);

    // First, so that a SIGTERM, SIGINT or SIGHUP at any moment of start-up waits for the event
    // loop and then takes the ordinary way out.
    SignalBridge::installHandlers();
    ApplicationArguments arguments(argc, argv);
    QApplication application(arguments.argc(), arguments.argv());
    QApplication::setApplicationName(QStringLiteral("Chorelin"));
    QApplication::setOrganizationName(QStringLiteral("Marrowby"));
    QApplication::setQuitOnLastWindowClosed(false);
    joinDesktop(application);
    SignalBridge signalBridge;

    // Until start-up is done, a termination closes the message box that start-up shows (a fatal
    // box then ends the program at once); the shutdown follows as soon as the frame is up.
    CMainFrame* running = nullptr;
    bool terminationPending = false;
    QObject::connect(&signalBridge, &SignalBridge::terminationRequested, [&] {
        if (running) {
            running->commands().dispatch(cmd::AppExit);
            return;
        }
        terminationPending = true;
        closeActiveModal();
    });

    // The settings are read here and the workers made, idle.
    SharedState shared = buildSharedState();
    CMainFrame frame(shared.ctx, shared.startupRegistered);
    // The history is opened and its observer set before the initial update lets the workers
    // run, so that no run goes unrecorded; the shutdown closes it after they stopped.
    const auto trayIcon = [&frame]() -> QSystemTrayIcon* { return frame.view()->trayIcon(); };
    frame.attachRunHistory(openRunHistory(std::move(shared.state.folder)),
                           makeDesktopNotifier(trayIcon));
    if (!frame.initialUpdate())
        fatalStop("タスクファイルの作成に失敗しました。");
    frame.finishStartup();
    reportTaskFileRefusal(shared.ctx);
    reportStateFolderRefusal(shared.state.refusal);
    running = &frame;
    if (terminationPending)
        QMetaObject::invokeMethod(
            &frame, [&frame] { frame.commands().dispatch(cmd::AppExit); }, Qt::QueuedConnection);

    const int rc = application.exec();
    running = nullptr;
    // The event loop can also end without the exit command (the session ends): the tasks are
    // saved all the same.
    frame.OnClose();
    return rc;
}
