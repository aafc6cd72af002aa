#include "ui/desktop_notice_sinks.h"

#include "ui/linux/dbus_notice_sink.h"
#include "ui/notice_sinks.h"

std::vector<std::unique_ptr<NoticeSink>>
desktopNoticeSinks(std::function<QSystemTrayIcon*()> tray) {
    // The notification service first: it keeps notices the user has not seen yet, and not
    // every tray can show a message.
    std::vector<std::unique_ptr<NoticeSink>> sinks;
    sinks.push_back(std::make_unique<DBusNoticeSink>());
    sinks.push_back(std::make_unique<TrayNoticeSink>(std::move(tray)));
    return sinks;
}
