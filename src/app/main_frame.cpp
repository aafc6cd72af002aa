#include "app/main_frame.h"

#include "app/about_box.h"
#include "app/resume_watch.h"
#include "app/run_history_link.h"
#include "app/startup.h"
#include "dialogs/history_dialog.h"
#include "history/history_store.h"
#include "platform/files.h"
#include "platform/startup_link.h"
#include "resources/accelerators.h"
#include "resources/command_ids.h"
#include "resources/menu_tables.h"
#include "store/startup_paths.h"
#include "ui/app_icon.h"
#include "ui/chorelin_view.h"
#include "ui/failure_notifier.h"
#include "ui/holiday_commands.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDialog>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>
#include <QSystemTrayIcon>
#include <QTimer>

CMainFrame::CMainFrame(AppContext& ctx, int startupRegistered, QWidget* parent)
    : QMainWindow(parent), ctx_(ctx), startupRegistered_(startupRegistered) {
    setObjectName(QStringLiteral("mainFrame"));
    setWindowTitle(QStringLiteral("Chorelin"));
    setWindowIcon(applicationIcon());
    resize(800, 360);

    router_.registerCommand(cmd::Startup, [this] { OnStartup(); });
    router_.setCheckState(cmd::Startup, [this] { return startupRegistered_ != 0; });
    router_.registerCommand(cmd::AppExit, [this] { OnClose(); });
    router_.registerCommand(cmd::AppAbout, [this] { OnAppAbout(); });

    buildMainMenu();
    buildAccelerators();
    view_ = new CChorelinView(ctx_, router_, this);
    setCentralWidget(view_);
    // Posted, as the tray's restore request is: the frame shows itself once the menu is gone.
    connect(view_, &CChorelinView::restoreRequested, this, &CMainFrame::restoreFromTray,
            Qt::QueuedConnection);
}

CMainFrame::~CMainFrame() = default;

void CMainFrame::attachRunHistory(std::unique_ptr<history::HistoryStore> store,
                                  std::unique_ptr<FailureNotifier> notifier) {
    notifier_ = std::move(notifier);
    if (notifier_) {
        connect(notifier_.get(), &FailureNotifier::historyRequested, this,
                [this](const QString& task, qint64 runId) {
                    openHistoryDialog(task.toStdString(), runId, this);
                });
        connect(notifier_.get(), &FailureNotifier::windowRequested, this,
                &CMainFrame::restoreFromTray);
        connect(notifier_.get(), &FailureNotifier::runOver, view(), &CChorelinView::noteRunOver);
    }
    if (store) {
        runHistory_ = std::make_unique<RunHistoryLink>(std::move(store), notifier_.get());
        ctx_.runObserver = runHistory_.get();
        ctx_.madeUpRuns = runHistory_.get();
    }
}

void CMainFrame::buildMainMenu() {
    QMenuBar* bar = menuBar();
    bar->setObjectName(QStringLiteral("mainMenu"));
    static const char* const kNames[] = {"fileMenu", "taskMenu", "helpMenu"};
    int n = 0;
    for (const menus::Popup& popup : menus::kMainMenu) {
        QMenu* menu = router_.buildMenu(popup.items, QString::fromUtf8(popup.title), this);
        menu->setObjectName(QString::fromLatin1(kNames[n++]));
        bar->addMenu(menu);
    }
}

void CMainFrame::buildAccelerators() {
    for (const accelerators::Accelerator& accel : accelerators::kMainAccelerators) {
        QAction* action = router_.createAction(accel.id, QString(), this);
        action->setShortcut(QKeySequence(QString::fromLatin1(accel.key)));
        action->setShortcutContext(Qt::WindowShortcut);
        action->setObjectName(QStringLiteral("accelerator ") + QString::fromLatin1(accel.key));
        addAction(action);
    }
}

bool CMainFrame::initialUpdate() {
    // Asked before the initial update creates the task file. Anything in its place (even a
    // file that will be refused) means Chorelin has been here before.
    firstStart_ = !platform::pathExists(systemPath(ctx_.taskFilePath));
    if (!view_->OnInitialUpdate())
        return false;
    // From now on a wake from sleep has the scheduler look for the runs the sleep missed.
    watchForResume(ctx_, this);
    return true;
}

void CMainFrame::finishStartup() {
    const bool tray = QSystemTrayIcon::isSystemTrayAvailable();
    if (tray)
        hide();
    else
        show(); // no tray to come back from: the window is the only way in
    showHolidayNotice(*view_);
    // A new user would otherwise see nothing at all happen; with no tray the window is
    // already in front of them.
    if (firstStart_ && tray && notifier_)
        notifier_->showWelcome();
}

void CMainFrame::OnStartup() {
    const platform::SystemPath link = platform::startupLinkPath();
    if (startupRegistered_ != 0)
        platform::removeFile(link);
    else
        platform::createStartupLink(link, systemPath(ctx_.modulePath));
    // The mark follows what is on disk now: an entry that could not be saved is not shown as
    // registered, and one that could not be deleted is not shown as gone.
    startupRegistered_ = !link.empty() && platform::pathExists(link) ? 1 : 0;
}

void CMainFrame::OnAppAbout() {
    CDialogAbout dialog(this);
    dialog.exec();
}

void CMainFrame::OnClose() {
    if (shutDown_)
        return;
    // An exit can arrive (a signal, the tray menu) while a command waits in a message box or a
    // dialog with taskLock held further down this thread's stack. The workers the shutdown
    // waits for may be waiting for that lock, so the shutdown would never end: answer the open
    // box with its safe choice (No, Cancel) and come back once the command has finished.
    if (ctx_.taskLock.heldByThisThread()) {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            if (auto* dialog = qobject_cast<QDialog*>(modal))
                dialog->reject();
            else
                modal->close();
        }
        QTimer::singleShot(0, this, [this] { OnClose(); });
        return;
    }
    shutDown_ = true;
    runShutdown(ctx_, std::move(runHistory_));
    view_->removeTrayIcon();
    exiting_ = true;
    close();
    QCoreApplication::quit();
}

void CMainFrame::restoreFromTray() {
    // Shown first, then out of the minimised state: the window manager then maps a window that
    // Qt knows to be visible and paints at once.
    show();
    setWindowState((windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    raise();
    activateWindow();
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    if (exiting_) {
        event->accept();
        return;
    }
    // The title bar's close button, the window menu's close and Alt+F4 only put the window
    // away; the program keeps running in the tray.
    event->ignore();
    hide();
}

void CMainFrame::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    if (event->type() != QEvent::WindowStateChange || !(windowState() & Qt::WindowMinimized))
        return;
    // Minimising hides instead, as closing does. Done after the state change has been
    // delivered, as hiding inside it confuses some managers. The minimised state stays until
    // the window is restored: taking it away from a hidden window makes Qt map the window again
    // behind its own back, an unpainted frame that takes no input.
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (windowState() & Qt::WindowMinimized)
                hide();
        },
        Qt::QueuedConnection);
}
