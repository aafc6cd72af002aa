#pragma once
// A desktop's StatusNotifierItem tray, as far as a test needs one: a private session bus
// (dbus-daemon) with a stand-in for the tray's StatusNotifierWatcher, which owns
// org.kde.StatusNotifierWatcher, says that a host is there and records the item that
// registers. The test then plays the host: Activate, and the menu the item exports
// (com.canonical.dbusmenu). Needs a Qt application object (see desktopApplication()).

#include "x_tools.h"

#include <QDBusConnection>
#include <QString>
#include <memory>
#include <string>
#include <vector>

class QThread;

namespace testing_support {

class WatcherStandIn;

class StatusNotifierHost {
public:
    explicit StatusNotifierHost(const std::string& folder);
    ~StatusNotifierHost();

    // False when the bus or the watcher could not be set up.
    bool up() const { return up_; }
    // "DBUS_SESSION_BUS_ADDRESS=..." for the program under test.
    std::string environment() const;
    // The bus name of the item that registered, empty until one did.
    QString registeredItem() const;

    bool activate(); // the host's Activate(x, y), as a click on the icon
    QString menuPath();
    struct MenuItem {
        int id;
        QString label; // "-" for a separator
    };
    std::vector<MenuItem> menu(); // the top level of the exported menu, in order
    bool click(int itemId);       // the host's "clicked" event of a menu item

private:
    std::string address_;
    std::unique_ptr<HelperProcess> daemon_;
    QDBusConnection bus_;
    std::unique_ptr<QThread> thread_;
    WatcherStandIn* watcher_ = nullptr; // lives in thread_
    bool up_ = false;
};

// The test process's Qt application on the X display (for D-Bus and for grabbing windows).
void desktopApplication();
// Whether the window shows more than the black of an unpainted frame.
bool windowIsPainted(const std::string& windowId);

} // namespace testing_support
