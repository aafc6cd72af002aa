#pragma once
// Listens for the machine waking from sleep (logind's PrepareForSleep(false) on the system bus)
// and asks the scheduler to look for runs that the sleep made it miss. Without a system bus, or
// without logind on it, it does nothing; the scheduler still notices the wall clock's jump.

#include "store/app_context.h"

#include <QDBusConnection>
#include <QObject>

class ResumeWatcher : public QObject {
    Q_OBJECT
public:
    // Listens on the system bus.
    ResumeWatcher(AppContext& ctx, QObject* parent);
    // Listens on `bus` for the signal sent by `service` (empty: by any sender, as on a direct
    // connection, which has no names).
    ResumeWatcher(AppContext& ctx, const QDBusConnection& bus, const QString& service,
                  QObject* parent);

    bool listening() const { return listening_; }

private slots:
    void onPrepareForSleep(bool sleeping);

private:
    AppContext& ctx_;
    bool listening_ = false;
};
