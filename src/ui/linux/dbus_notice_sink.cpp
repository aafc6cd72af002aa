#include "ui/linux/dbus_notice_sink.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QVariantMap>

namespace {

const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
const QString kInterface = QStringLiteral("org.freedesktop.Notifications");

} // namespace

DBusNoticeSink::DBusNoticeSink(QDBusConnection bus, QObject* parent)
    : QObject(parent), bus_(std::move(bus)) {}

bool DBusNoticeSink::available() {
    QDBusConnection& bus = bus_;
    if (!bus.isConnected() || !bus.interface())
        return false;
    // A service that the bus starts on its first call counts as well.
    const QDBusReply<bool> registered = bus.interface()->isServiceRegistered(kService);
    if (!(registered.isValid() && registered.value())) {
        const QDBusReply<QStringList> activatable = bus.interface()->activatableServiceNames();
        if (!activatable.isValid() || !activatable.value().contains(kService))
            return false;
    }
    if (!connected_) {
        connected_ = true;
        bus.connect(kService, kPath, kInterface, QStringLiteral("ActionInvoked"), this,
                    SLOT(onActionInvoked(uint, QString)));
        bus.connect(kService, kPath, kInterface, QStringLiteral("NotificationClosed"), this,
                    SLOT(onClosed(uint, uint)));
        // Asked once, without waiting: a service that draws no markup shows texts as they are.
        auto* watcher = new QDBusPendingCallWatcher(
            bus.asyncCall(QDBusMessage::createMethodCall(kService, kPath, kInterface,
                                                         QStringLiteral("GetCapabilities"))),
            this);
        connect(watcher, &QDBusPendingCallWatcher::finished, this,
                [this](QDBusPendingCallWatcher* call) {
                    const QDBusPendingReply<QStringList> reply = *call;
                    if (reply.isValid())
                        markup_ = reply.value().contains(QStringLiteral("body-markup"));
                    call->deleteLater();
                });
    }
    return true;
}

void DBusNoticeSink::show(const Notice& notice) {
    QDBusMessage call =
        QDBusMessage::createMethodCall(kService, kPath, kInterface, QStringLiteral("Notify"));
    QStringList actions;
    if (notice.kind == Notice::Kind::Failure)
        actions << QStringLiteral("default") << QStringLiteral("実行履歴を表示");
    else
        actions << QStringLiteral("default") << QStringLiteral("ウィンドウを表示");
    QVariantMap hints;
    hints.insert(QStringLiteral("desktop-entry"), QStringLiteral("chorelin"));
    hints.insert(QStringLiteral("urgency"),
                 QVariant::fromValue<uchar>(notice.kind == Notice::Kind::Failure ? 1 : 0));
    // A task's name and output are the user's text, never markup.
    const QString body = markup_ ? notice.body.toHtmlEscaped() : notice.body;
    call << QStringLiteral("Chorelin") << uint(0) << QStringLiteral("chorelin") << notice.title
         << body << actions << hints << int(-1);
    auto* watcher = new QDBusPendingCallWatcher(bus_.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, notice](QDBusPendingCallWatcher* reply) {
                const QDBusPendingReply<uint> id = *reply;
                if (id.isValid())
                    shown_[id.value()] = notice;
                reply->deleteLater();
            });
}

void DBusNoticeSink::onActionInvoked(uint id, const QString&) {
    const auto it = shown_.find(id);
    if (it == shown_.end())
        return;
    const Notice notice = it->second;
    if (onActivated)
        onActivated(notice);
}

void DBusNoticeSink::onClosed(uint id, uint) {
    shown_.erase(id);
}
