// The wake from sleep reaches the scheduler: logind's PrepareForSleep(false) asks the next pass
// to look for missed runs; PrepareForSleep(true) and a missing bus do nothing.

#include "app/resume_watcher.h"
#include "ui_harness.h"

#include <QAction>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusServer>
#include <gtest/gtest.h>

namespace {

QDBusMessage prepareForSleep(bool sleeping) {
    QDBusMessage signal = QDBusMessage::createSignal(
        "/org/freedesktop/login1", "org.freedesktop.login1.Manager", "PrepareForSleep");
    signal << sleeping;
    return signal;
}

TEST(ResumeWatcher, OnlyTheWakeAsksForALook) {
    ui_testing::application();
    testing_support::TempHome home;
    // A direct connection stands in for the system bus: the same object, interface and signal.
    QDBusServer server(QStringLiteral("unix:tmpdir=") + QString::fromStdString(home.root()));
    ASSERT_TRUE(server.isConnected());
    std::unique_ptr<QDBusConnection> logind;
    QObject::connect(&server, &QDBusServer::newConnection, [&](const QDBusConnection& c) {
        logind = std::make_unique<QDBusConnection>(c);
    });
    QDBusConnection bus = QDBusConnection::connectToPeer(server.address(), "resume-test");
    ASSERT_TRUE(ui_testing::waitFor([&] { return logind != nullptr; }, 5000));

    AppContext ctx;
    ResumeWatcher watcher(ctx, bus, QString(), nullptr);
    ASSERT_TRUE(watcher.listening());
    // Counts the PrepareForSleep signals that arrive, so the test knows one was handled.
    QAction arrivals;
    arrivals.setCheckable(true);
    int arrived = 0;
    QObject::connect(&arrivals, &QAction::toggled, [&arrived] { ++arrived; });
    ASSERT_TRUE(bus.connect(QString(), "/org/freedesktop/login1", "org.freedesktop.login1.Manager",
                            "PrepareForSleep", &arrivals, SLOT(toggle())));

    ASSERT_TRUE(logind->send(QDBusMessage::createSignal("/org/freedesktop/login1",
                                                        "org.freedesktop.login1.Manager",
                                                        "PrepareForShutdown")
                             << false));
    ASSERT_TRUE(logind->send(prepareForSleep(true)));
    ASSERT_TRUE(ui_testing::waitFor([&] { return arrived == 1; }, 5000));
    EXPECT_FALSE(ctx.catchUp.resumed);

    ASSERT_TRUE(logind->send(prepareForSleep(false)));
    ASSERT_TRUE(ui_testing::waitFor([&] { return arrived == 2; }, 5000));
    EXPECT_TRUE(ctx.catchUp.resumed);
    QDBusConnection::disconnectFromPeer("resume-test");
}

TEST(ResumeWatcher, NoSystemBusIsNoError) {
    ui_testing::application();
    testing_support::TempHome home;
    qputenv("DBUS_SYSTEM_BUS_ADDRESS",
            QByteArray::fromStdString("unix:path=" + home.root() + "/no-bus"));
    AppContext ctx;
    ResumeWatcher watcher(ctx, nullptr);
    EXPECT_FALSE(watcher.listening());
    EXPECT_FALSE(ctx.catchUp.resumed);
}

} // namespace
