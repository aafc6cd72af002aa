#include "ui/failure_notifier.h"

#include "history/output_tail.h"
#include "store/history_settings.h"
#include "store/trace.h"
#include "ui/desktop_notice_sinks.h"
#include "ui/notice_text.h"

#include <QMetaObject>

namespace {
// Enough of the output's end for its last lines.
constexpr int64_t kTailBytes = 16 * 1024;
} // namespace

FailureNotifier::FailureNotifier(std::vector<std::unique_ptr<NoticeSink>> sinks, QObject* parent)
    : QObject(parent), sinks_(std::move(sinks)),
      enabled_([] { return readHistorySettings().notifyOnFailure; }) {
    for (const std::unique_ptr<NoticeSink>& sink : sinks_)
        sink->onActivated = [this](const Notice& notice) { activated(notice); };
}

FailureNotifier::~FailureNotifier() = default;

void FailureNotifier::setEnabledCheck(std::function<bool()> enabled) {
    enabled_ = std::move(enabled);
}

void FailureNotifier::reportRun(const history::RunRecord& run) {
    // Posted: the caller may be a worker holding taskLock, and the output file is read and the
    // settings consulted on the window thread.
    QMetaObject::invokeMethod(
        this,
        [this, run] {
            emit runOver(run);
            if (run.isFailure())
                notifyFailure(run);
        },
        Qt::QueuedConnection);
}

void FailureNotifier::notifyFailure(const history::RunRecord& run) {
    if (enabled_ && !enabled_())
        return;
    const history::OutputTail tail = history::readOutputTail(run.outputPath, kTailBytes);
    const Notice notice =
        failureNotice(run, history::lastLines(tail.text, kNoticeOutputLines, kNoticeLineBytes));
    if (!show(notice))
        tracef("通知できません: %s", notice.title.toStdString().c_str());
}

void FailureNotifier::showWelcome() {
    show(welcomeNotice());
}

bool FailureNotifier::show(const Notice& notice) {
    for (const std::unique_ptr<NoticeSink>& sink : sinks_) {
        if (sink->available()) {
            sink->show(notice);
            return true;
        }
    }
    return false;
}

void FailureNotifier::activated(const Notice& notice) {
    if (notice.kind == Notice::Kind::Failure)
        emit historyRequested(QString::fromStdString(notice.task), notice.runId);
    else
        emit windowRequested();
}

std::unique_ptr<FailureNotifier> makeDesktopNotifier(std::function<QSystemTrayIcon*()> tray,
                                                     QObject* parent) {
    return std::make_unique<FailureNotifier>(desktopNoticeSinks(std::move(tray)), parent);
}
