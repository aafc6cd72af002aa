#pragma once
// CMainFrame: the one top-level window. It carries the main menu and the accelerators, holds
// the task list as its only child, and is usually hidden: closing or minimising it only hides
// it, and the exit command is the one way out, through the shutdown.
//
// Commands reach handlers through commands() (see ui/command_router.h); the frame binds its
// own: the start-up entry toggle (32787), exit (57665) and the about box (57664).

#include "store/app_context.h"
#include "ui/command_router.h"

#include <QMainWindow>
#include <memory>

class CChorelinView;
class FailureNotifier;
class RunHistoryLink;
namespace history {
class HistoryStore;
}

class CMainFrame : public QMainWindow {
    Q_OBJECT
public:
    CMainFrame(AppContext& ctx, int startupRegistered, QWidget* parent = nullptr);
    ~CMainFrame() override;

    // Before initialUpdate lets the workers run: the engine's runs go to `store` (null: no
    // history), the runs that failed to `notifier`, whose notices lead back to the history
    // dialog and to this window. The shutdown closes the history after the workers stopped.
    void attachRunHistory(std::unique_ptr<history::HistoryStore> store,
                          std::unique_ptr<FailureNotifier> notifier);

    // The list's initial update; false when the task file could not be created (the caller
    // ends the program with the fatal message).
    bool initialUpdate();
    // The last start-up step: hidden in the tray, or shown when there is no tray to live in.
    // Hidden on the very first start (no task file before initialUpdate), it says once where
    // it went.
    void finishStartup();

    CChorelinView* view() const { return view_; }
    CommandRouter& commands() { return router_; }
    int startupRegistered() const { return startupRegistered_; }
    bool hasShutDown() const { return shutDown_; }

    // Command 32787: create or delete the start-up entry.
    void OnStartup();
    // Command 57665 (and SIGTERM/SIGINT): the shutdown, then the window closes for good and the
    // application leaves its event loop. Runs once.
    void OnClose();
    // Shows the hidden window again and brings it to the front.
    void restoreFromTray();

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void buildMainMenu();
    void buildAccelerators();
    void OnAppAbout();

    AppContext& ctx_;
    CommandRouter router_;
    CChorelinView* view_ = nullptr;
    int startupRegistered_ = 0;
    std::unique_ptr<FailureNotifier> notifier_;
    std::unique_ptr<RunHistoryLink> runHistory_;
    bool firstStart_ = false;
    bool shutDown_ = false;
    bool exiting_ = false;
};
