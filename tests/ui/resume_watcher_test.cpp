// The wake from sleep reaches the scheduler: logind's PrepareForSleep(false) asks the next pass
// to look for missed runs; PrepareForSleep(true), other signals and a missing bus do nothing.

#include "app/linux/resume_watcher.h"
#include "ui_harness.h"

#include <QAction>
#include <QDBusMessage>
#include <QDBusServer>
#include <gtest/gtest.h>

namespace {

const char* const kPath = "/org/freedesktop/login1";
const char* const kManager = "org.freedesktop.login1.Manager";

TEST(ResumeWatcher, OnlyTheWakeAsksForALook) {
    ui_testing::application();
    testing_support::TempHome home;
    // A direct connection stands in for the system bus: the same object, interface and signal.
    QDBusServer server("unix:tmpdir=" + QString::fromStdString(home.root()));
    std::unique_ptr<QDBusConnection> logind;
    QObject::connect(&server, &QDBusServer::newConnection,
                     [&](const QDBusConnection& c) { logind.reset(new QDBusConnection(c)); });
    QDBusConnection bus = QDBusConnection::connectToPeer(server.address(), "resume-test");
    ASSERT_TRUE(ui_testing::waitFor([&] { return logind != nullptr; }, 5000));
    AppContext ctx;
    ResumeWatcher watcher(ctx, bus, QString(), nullptr);
    ASSERT_TRUE(watcher.listening());
    // Toggled by every PrepareForSleep, so the test knows when one has been handled.
    QAction arrivals;
    arrivals.setCheckable(true);
    ASSERT_TRUE(bus.connect("", kPath, kManager, "PrepareForSleep", &arrivals, SLOT(toggle())));

    for (const bool sleeping : {true, false}) {
        logind->send(QDBusMessage::createSignal(kPath, kManager, "PrepareForShutdown") << false);
        logind->send(QDBusMessage::createSignal(kPath, kManager, "PrepareForSleep") << sleeping);
        ASSERT_TRUE(ui_testing::waitFor([&] { return arrivals.isChecked() == sleeping; }, 5000));
        EXPECT_EQ(ctx.catchUp.resumed, !sleeping);
    }
    QDBusConnection::disconnectFromPeer("resume-test");

    qputenv("DBUS_SYSTEM_BUS_ADDRESS", "unix:path=" + QByteArray::fromStdString(home.root()));
    ResumeWatcher noBus(ctx, nullptr);
    EXPECT_FALSE(noBus.listening());
}

} // namespace
