#include "status_notifier_host.h"

#include "process_runner.h"

#include <QDBusArgument>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QDBusVirtualObject>
#include <QGuiApplication>
#include <QImage>
#include <QMutex>
#include <QPixmap>
#include <QScreen>
#include <QThread>
#include <filesystem>

namespace testing_support {

namespace {
const QString kWatcher = QStringLiteral("org.kde.StatusNotifierWatcher");
const QString kItem = QStringLiteral("org.kde.StatusNotifierItem");
const QString kProperties = QStringLiteral("org.freedesktop.DBus.Properties");
} // namespace

// Answers on its own thread, so that the program's calls are served while the test waits.
class WatcherStandIn : public QDBusVirtualObject {
public:
    // What Qt's side reads through introspection: whether a host is there.
    QString introspect(const QString&) const override {
        return QStringLiteral("<interface name=\"org.kde.StatusNotifierWatcher\"><property "
                              "name=\"IsStatusNotifierHostRegistered\" type=\"b\" "
                              "access=\"read\"/></interface>");
    }
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override {
        if (message.interface() == kProperties && message.member() == "Get")
            return connection.send(message.createReply(QVariant::fromValue(
                QDBusVariant(message.arguments().value(1) == "IsStatusNotifierHostRegistered"))));
        if (message.member() == "RegisterStatusNotifierItem") {
            QMutexLocker lock(&mutex_);
            item_ = message.arguments().value(0).toString();
            return connection.send(message.createReply());
        }
        return false; // introspection: Qt's own handling
    }
    QString item() const {
        QMutexLocker lock(&mutex_);
        return item_;
    }

private:
    mutable QMutex mutex_;
    QString item_;
};

StatusNotifierHost::StatusNotifierHost(const std::string& folder)
    : address_("unix:path=" + folder + "/bus"), bus_(QString()) {
    daemon_ = std::make_unique<HelperProcess>(std::vector<std::string>{"dbus-daemon", "--session",
                                                                       "--nofork", "--nopidfile",
                                                                       "--address=" + address_},
                                              folder + "/dbus.log");
    if (!waitFor([&] { return std::filesystem::exists(folder + "/bus"); },
                 std::chrono::seconds(10)))
        return;
    bus_ = QDBusConnection::connectToBus(QString::fromStdString(address_),
                                         QStringLiteral("tray-host"));
    thread_ = std::make_unique<QThread>();
    watcher_ = new WatcherStandIn;
    watcher_->moveToThread(thread_.get());
    thread_->start();
    up_ = bus_.isConnected() && bus_.registerService(kWatcher) &&
          bus_.registerVirtualObject(QStringLiteral("/StatusNotifierWatcher"), watcher_);
}

StatusNotifierHost::~StatusNotifierHost() {
    if (bus_.isConnected())
        bus_.unregisterObject(QStringLiteral("/StatusNotifierWatcher"));
    QDBusConnection::disconnectFromBus(QStringLiteral("tray-host"));
    if (thread_) {
        thread_->quit();
        thread_->wait();
    }
    delete watcher_;
}

std::string StatusNotifierHost::environment() const {
    return "DBUS_SESSION_BUS_ADDRESS=" + address_;
}

QString StatusNotifierHost::registeredItem() const {
    return watcher_ ? watcher_->item() : QString();
}

bool StatusNotifierHost::activate() {
    QDBusMessage call = QDBusMessage::createMethodCall(
        registeredItem(), QStringLiteral("/StatusNotifierItem"), kItem, QStringLiteral("Activate"));
    call.setArguments({0, 0});
    return bus_.call(call).type() == QDBusMessage::ReplyMessage;
}

QString StatusNotifierHost::menuPath() {
    QDBusMessage get = QDBusMessage::createMethodCall(
        registeredItem(), QStringLiteral("/StatusNotifierItem"), kProperties, "Get");
    get.setArguments({kItem, QStringLiteral("Menu")});
    const QDBusMessage reply = bus_.call(get);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return QString();
    const QVariant value = reply.arguments()[0].value<QDBusVariant>().variant();
    return value.value<QDBusObjectPath>().path();
}

std::vector<StatusNotifierHost::MenuItem> StatusNotifierHost::menu() {
    QDBusMessage layout = QDBusMessage::createMethodCall(
        registeredItem(), menuPath(), QStringLiteral("com.canonical.dbusmenu"), "GetLayout");
    layout.setArguments({0, 1, QStringList()});
    const QDBusMessage reply = bus_.call(layout);
    std::vector<MenuItem> items;
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().size() < 2)
        return items;
    // (revision, (id, properties, [children as variants of the same structure]))
    const QDBusArgument root = reply.arguments()[1].value<QDBusArgument>();
    int id = 0;
    QVariantMap properties;
    root.beginStructure();
    root >> id >> properties;
    root.beginArray();
    while (!root.atEnd()) {
        QDBusVariant child;
        root >> child;
        const QDBusArgument node = child.variant().value<QDBusArgument>();
        node.beginStructure();
        node >> id >> properties;
        node.endStructure();
        items.push_back({id, properties.value("type").toString() == "separator"
                                 ? QStringLiteral("-")
                                 : properties.value("label").toString()});
    }
    root.endArray();
    root.endStructure();
    return items;
}

bool StatusNotifierHost::click(int itemId) {
    QDBusMessage event = QDBusMessage::createMethodCall(
        registeredItem(), menuPath(), QStringLiteral("com.canonical.dbusmenu"), "Event");
    event.setArguments(
        {itemId, QStringLiteral("clicked"), QVariant::fromValue(QDBusVariant(0)), 0u});
    return bus_.call(event).type() == QDBusMessage::ReplyMessage;
}

void desktopApplication() {
    if (QCoreApplication::instance())
        return;
    // The X display of the test, whatever platform the environment names for the program.
    static int argc = 3;
    static char name[] = "desktop_tests", option[] = "-platform", platform[] = "xcb";
    static char* argv[] = {name, option, platform, nullptr};
    new QGuiApplication(argc, argv);
}

bool windowIsPainted(const std::string& windowId) {
    const QImage image =
        QGuiApplication::primaryScreen()->grabWindow(std::stoul(windowId)).toImage();
    if (image.isNull())
        return false;
    qsizetype black = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            black += (image.pixel(x, y) & 0xFFFFFF) == 0;
    return black < image.width() * image.height() / 2;
}

} // namespace testing_support
