#include "ui/notice_sinks.h"

#include <QSystemTrayIcon>

TrayNoticeSink::TrayNoticeSink(std::function<QSystemTrayIcon*()> tray, QObject* parent)
    : QObject(parent), tray_(std::move(tray)) {}

bool TrayNoticeSink::available() {
    QSystemTrayIcon* tray = tray_ ? tray_() : nullptr;
    return tray && tray->isVisible() && QSystemTrayIcon::isSystemTrayAvailable() &&
           QSystemTrayIcon::supportsMessages();
}

void TrayNoticeSink::show(const Notice& notice) {
    QSystemTrayIcon* tray = tray_ ? tray_() : nullptr;
    if (!tray)
        return;
    if (connectedTo_ != tray) {
        connectedTo_ = tray;
        connect(tray, &QSystemTrayIcon::messageClicked, this, [this] {
            if (onActivated)
                onActivated(last_);
        });
    }
    last_ = notice;
    tray->showMessage(notice.title, notice.body,
                      notice.kind == Notice::Kind::Failure ? QSystemTrayIcon::Warning
                                                           : QSystemTrayIcon::Information,
                      15000);
}
