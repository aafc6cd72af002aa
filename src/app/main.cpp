// Chorelin: runs the user's programs and documents at their minute.

#include "app/desktop_integration.h"
#include "app/main_frame.h"
#include "app/signal_bridge.h"
#include "app/startup.h"
#include "app/task_file_refusal.h"
#include "cli/command_line.h"
#include "resources/command_ids.h"

#include <QApplication>

int main(int argc, char** argv) {
    // The command-line commands need no display and leave a running instance alone.
    if (cli::wantsCommand(argc, argv))
        return cli::runCommand(argc, argv);

    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Chorelin"));
    QApplication::setOrganizationName(QStringLiteral("Marrowby"));
    QApplication::setQuitOnLastWindowClosed(false);
    joinDesktop(application);
    // Installed first, so a SIGTERM during start-up waits for the event loop and then takes the
    // ordinary way out.
    SignalBridge signalBridge;

    SharedState shared = buildSharedState();
    CMainFrame frame(shared.ctx, shared.startupRegistered);
    if (!frame.initialUpdate())
        fatalStop("タスクファイルの作成に失敗しました。");
    frame.finishStartup();
    reportTaskFileRefusal(shared.ctx);

    QObject::connect(&signalBridge, &SignalBridge::terminationRequested, &frame,
                     [&frame] { frame.commands().dispatch(cmd::AppExit); });
    const int rc = application.exec();
    // The event loop can also end without the exit command (the session ends): the tasks are
    // saved all the same.
    frame.OnClose();
    return rc;
}
