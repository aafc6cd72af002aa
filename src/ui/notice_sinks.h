#pragma once
// The tray icon's message as a place for notices: the only one on Windows, and on Linux the
// one used where the desktop has no notification service.

#include "ui/notice.h"

#include <QObject>
#include <QPointer>
#include <functional>

class QSystemTrayIcon;

class TrayNoticeSink : public QObject, public NoticeSink {
    Q_OBJECT
public:
    // `tray` gives the tray icon in use now, or nullptr.
    explicit TrayNoticeSink(std::function<QSystemTrayIcon*()> tray, QObject* parent = nullptr);
    bool available() override;
    void show(const Notice& notice) override;

private:
    std::function<QSystemTrayIcon*()> tray_;
    QPointer<QSystemTrayIcon> connectedTo_;
    Notice last_;
};
