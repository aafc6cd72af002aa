// Chorelin: runs the user's programs and documents at their minute.

#include "app/signal_bridge.h"
#include "app/startup.h"

#include <QApplication>
#include <QMainWindow>

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Chorelin"));
    QApplication::setOrganizationName(QStringLiteral("Marrowby"));
    QApplication::setQuitOnLastWindowClosed(false);

    AppContext& ctx = buildSharedState();

    QMainWindow frame;
    frame.setWindowTitle(QStringLiteral("Chorelin"));
    {
        TaskLockGuard guard(ctx.taskLock);
        loadTasksAtStartup(ctx);
    }
    frame.show();

    SignalBridge signalBridge;
    QObject::connect(&signalBridge, &SignalBridge::terminationRequested, &application,
                     &QApplication::quit);
    const int rc = application.exec();
    runShutdown(ctx);
    return rc;
}
