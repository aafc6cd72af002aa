#include "app/linux/resume_watcher.h"

#include "engine/catch_up.h"
#include "store/trace.h"

ResumeWatcher::ResumeWatcher(AppContext& ctx, QObject* parent)
    : ResumeWatcher(ctx, QDBusConnection::systemBus(), QStringLiteral("org.freedesktop.login1"),
                    parent) {}

ResumeWatcher::ResumeWatcher(AppContext& ctx, const QDBusConnection& bus, const QString& service,
                             QObject* parent)
    : QObject(parent), ctx_(ctx) {
    if (!bus.isConnected())
        return;
    QDBusConnection connection(bus);
    listening_ =
        connection.connect(service, QStringLiteral("/org/freedesktop/login1"),
                           QStringLiteral("org.freedesktop.login1.Manager"),
                           QStringLiteral("PrepareForSleep"), this, SLOT(onPrepareForSleep(bool)));
}

void ResumeWatcher::onPrepareForSleep(bool sleeping) {
    // true is sent before the sleep, false after the wake.
    if (sleeping)
        return;
    traceLine("スリープから復帰しました。");
    MyCatchUpAfterResume(ctx_);
}
