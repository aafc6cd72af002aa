#include "ui/desktop_notice_sinks.h"

#include "ui/notice_sinks.h"

std::vector<std::unique_ptr<NoticeSink>>
desktopNoticeSinks(std::function<QSystemTrayIcon*()> tray) {
    // The tray icon's balloon is the system's own notice there (shown as a toast by newer
    // versions), and a click on it reaches the icon.
    std::vector<std::unique_ptr<NoticeSink>> sinks;
    sinks.push_back(std::make_unique<TrayNoticeSink>(std::move(tray)));
    return sinks;
}
