#pragma once
// Tells the user when a run failed: a start that failed, an exit code other than 0, or a signal
// other than the user's own force-terminate. Shown through the first place that exists (the
// desktop's notification service, else the tray's message; nothing, quietly, when neither
// does) and only while NotifyOnFailure is on. Activating the notice opens the history dialog
// on that run.
//
// reportRun() may be called from any thread (the workers call it as runs end); the notice is
// composed and shown on the window thread. One call per run end:
//
//     if (std::optional<history::RunRecord> run = store.runEnded(id, end))
//         notifier.reportRun(*run);

#include "history/run_record.h"
#include "ui/notice.h"

#include <QObject>
#include <functional>
#include <memory>
#include <vector>

class QSystemTrayIcon;

class FailureNotifier : public QObject {
    Q_OBJECT
public:
    // The places to show notices, best first.
    explicit FailureNotifier(std::vector<std::unique_ptr<NoticeSink>> sinks,
                             QObject* parent = nullptr);
    ~FailureNotifier() override;

    // A run that ended or failed to start; runOver follows, and a notice when it failed.
    void reportRun(const history::RunRecord& run);
    // The first-start notice: Chorelin lives in the tray, and how to open it.
    void showWelcome();

    // Whether failures are to be told; the NotifyOnFailure setting unless replaced.
    void setEnabledCheck(std::function<bool()> enabled);

signals:
    void historyRequested(const QString& task, qint64 runId);
    // Every run that reportRun() was given, on the window thread, failed or not.
    void runOver(const history::RunRecord& run);
    void windowRequested();

private:
    void notifyFailure(const history::RunRecord& run);
    bool show(const Notice& notice);
    void activated(const Notice& notice);

    std::vector<std::unique_ptr<NoticeSink>> sinks_;
    std::function<bool()> enabled_;
};

// The notifier of the desktop: the notification service first (Linux), the tray's message
// second.
std::unique_ptr<FailureNotifier> makeDesktopNotifier(std::function<QSystemTrayIcon*()> tray,
                                                     QObject* parent = nullptr);
