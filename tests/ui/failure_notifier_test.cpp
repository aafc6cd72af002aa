// Failure notices: which runs are told, what a notice says, the order of the places to show it,
// activation, and the real notification service protocol against a private session bus.

#include "ui_harness.h"

#include "ui/failure_notifier.h"
#include "ui/linux/dbus_notice_sink.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QSignalSpy>
#include <csignal>
#include <cstdio>
#include <gtest/gtest.h>
#include <thread>

using namespace ui_testing;
using history::RunEnding;
using history::RunRecord;

namespace {

class FakeSink : public NoticeSink {
public:
    bool available() override { return present; }
    void show(const Notice& notice) override { shown.push_back(notice); }
    bool present = true;
    std::vector<Notice> shown;
};

struct Notifier {
    FakeSink* first;
    FakeSink* second;
    std::unique_ptr<FailureNotifier> notifier;
    bool enabled = true;

    Notifier() {
        application();
        auto a = std::make_unique<FakeSink>();
        auto b = std::make_unique<FakeSink>();
        first = a.get();
        second = b.get();
        std::vector<std::unique_ptr<NoticeSink>> sinks;
        sinks.push_back(std::move(a));
        sinks.push_back(std::move(b));
        notifier = std::make_unique<FailureNotifier>(std::move(sinks));
        notifier->setEnabledCheck([this] { return enabled; });
    }
    // Reports the run and lets the posted notice through.
    void report(const RunRecord& run) {
        notifier->reportRun(run);
        QApplication::processEvents();
    }
};

RunRecord run(RunEnding ending, std::optional<int> code = std::nullopt,
              std::optional<int> sig = std::nullopt) {
    RunRecord r;
    r.id = 12;
    r.task = "backup";
    r.ending = ending;
    r.exitCode = code;
    r.signal = sig;
    if (ending == RunEnding::Failed) {
        r.launched = false;
        r.error = "実行ファイルが見つかりません。";
    }
    return r;
}

} // namespace

TEST(FailureNotices, WhichRunsAreTold) {
    struct Case {
        RunRecord run;
        const char* title; // nullptr: no notice
    } cases[] = {
        {run(RunEnding::Exited, 0), nullptr},
        {run(RunEnding::Exited, 3), "タスク「backup」: 異常終了 (3)"},
        {run(RunEnding::Signal, std::nullopt, SIGSEGV), "タスク「backup」: シグナル (SIGSEGV)"},
        {run(RunEnding::Signal, std::nullopt, SIGKILL), "タスク「backup」: シグナル (SIGKILL)"},
        {run(RunEnding::Killed, std::nullopt, SIGKILL), nullptr}, // the user's own doing
        {run(RunEnding::Failed), "タスク「backup」: 起動失敗: 実行ファイルが見つかりません。"},
        {run(RunEnding::Lost), nullptr},
    };
    for (const Case& c : cases) {
        Notifier n;
        n.report(c.run);
        SCOPED_TRACE(history::endingWord(c.run.ending));
        if (!c.title) {
            EXPECT_TRUE(n.first->shown.empty());
            continue;
        }
        ASSERT_EQ(n.first->shown.size(), 1u);
        EXPECT_EQ(n.first->shown[0].title.toStdString(), c.title);
        EXPECT_EQ(n.first->shown[0].body.toStdString(), "出力はありません。");
        EXPECT_TRUE(n.second->shown.empty());
    }
}

TEST(FailureNotices, LastLinesPlacesSwitchAndActivation) {
    testing_support::TempHome home;
    const std::string output = home.scratch() + "/12.log";
    testing_support::writeFile(output, "1\n2\n3\n4\n5\n6\n<b>7</b> & more\n\n");
    RunRecord failed = run(RunEnding::Exited, 1);
    failed.outputPath = output;

    Notifier n;
    n.report(failed);
    ASSERT_EQ(n.first->shown.size(), 1u);
    EXPECT_EQ(n.first->shown[0].body.toStdString(), "3\n4\n5\n6\n<b>7</b> & more");

    // The next place when the first does not exist; nothing, quietly, when neither does.
    n.first->present = false;
    n.report(failed);
    EXPECT_EQ(n.second->shown.size(), 1u);
    n.second->present = false;
    n.report(failed);
    EXPECT_EQ(n.first->shown.size() + n.second->shown.size(), 2u);

    // Off in the settings: nothing.
    n.first->present = true;
    n.enabled = false;
    n.report(failed);
    EXPECT_EQ(n.first->shown.size(), 1u);

    QSignalSpy history(n.notifier.get(), &FailureNotifier::historyRequested);
    QSignalSpy window(n.notifier.get(), &FailureNotifier::windowRequested);
    n.first->onActivated(n.first->shown[0]);
    ASSERT_EQ(history.count(), 1);
    EXPECT_EQ(history[0][0].toString(), QStringLiteral("backup"));
    EXPECT_EQ(history[0][1].toLongLong(), 12);

    // The welcome notice of the first start shows even with failure notices off, and brings
    // the window.
    n.notifier->showWelcome();
    ASSERT_EQ(n.first->shown.size(), 2u);
    EXPECT_EQ(n.first->shown[1].kind, Notice::Kind::Welcome);
    EXPECT_NE(n.first->shown[1].body.indexOf(QStringLiteral("タスクトレイ")), -1);
    n.first->onActivated(n.first->shown[1]);
    EXPECT_EQ(window.count(), 1);
}

TEST(FailureNotices, ReportedFromAWorkerThreadShownOnTheWindowThread) {
    Notifier n;
    std::thread worker([&] { n.notifier->reportRun(run(RunEnding::Exited, 2)); });
    worker.join();
    EXPECT_TRUE(n.first->shown.empty()); // nothing happens on the worker
    EXPECT_TRUE(waitFor([&] { return n.first->shown.size() == 1; }));
}

// A stand-in for the desktop's notification service, on its own connection.
class FakeNotificationService : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    struct Call {
        QString app, icon, summary, body;
        QStringList actions;
        QVariantMap hints;
    };
    std::vector<Call> calls;

public slots:
    QStringList GetCapabilities() { return {QStringLiteral("actions"), QStringLiteral("body")}; }
    uint Notify(const QString& app, uint, const QString& icon, const QString& summary,
                const QString& body, const QStringList& actions, const QVariantMap& hints, int) {
        calls.push_back({app, icon, summary, body, actions, hints});
        return static_cast<uint>(calls.size()) + 40;
    }
};

TEST(FailureNotices, TheNotificationServiceProtocol) {
    FILE* daemon = ::popen("dbus-daemon --session --fork --print-address=1 --print-pid=1 "
                           "2>/dev/null",
                           "r");
    char address[512] = {};
    char pid[32] = {};
    if (!daemon || !std::fgets(address, sizeof address, daemon) ||
        !std::fgets(pid, sizeof pid, daemon)) {
        if (daemon)
            ::pclose(daemon);
        GTEST_SKIP() << "no dbus-daemon";
    }
    ::pclose(daemon);
    struct Stop {
        int pid;
        ~Stop() { ::kill(pid, SIGTERM); }
    } stop{std::atoi(pid)};
    application();
    const QString bus = QString::fromLatin1(address).trimmed();

    QDBusConnection server = QDBusConnection::connectToBus(bus, QStringLiteral("service"));
    QDBusConnection client = QDBusConnection::connectToBus(bus, QStringLiteral("client"));
    ASSERT_TRUE(server.isConnected() && client.isConnected());
    DBusNoticeSink sink(client);
    EXPECT_FALSE(sink.available()); // no service yet

    FakeNotificationService service;
    ASSERT_TRUE(server.registerObject(QStringLiteral("/org/freedesktop/Notifications"), &service,
                                      QDBusConnection::ExportAllSlots));
    ASSERT_TRUE(server.registerService(QStringLiteral("org.freedesktop.Notifications")));
    ASSERT_TRUE(sink.available());
    // The service draws no markup: texts go as they are.
    ASSERT_TRUE(waitFor([&] { return !sink.escapesMarkup(); }));
    std::vector<Notice> activated;
    sink.onActivated = [&](const Notice& notice) { activated.push_back(notice); };

    Notice notice;
    notice.title = QStringLiteral("タスク「a<b」: 異常終了 (1)");
    notice.body = QStringLiteral("x < y & z");
    notice.task = "a<b";
    notice.runId = 7;
    sink.show(notice);
    ASSERT_TRUE(waitFor([&] { return service.calls.size() == 1; }));
    const FakeNotificationService::Call& call = service.calls[0];
    EXPECT_EQ(call.app, QStringLiteral("Chorelin"));
    EXPECT_EQ(call.summary, notice.title);
    EXPECT_EQ(call.body, notice.body);
    EXPECT_EQ(call.actions,
              (QStringList{QStringLiteral("default"), QStringLiteral("実行履歴を表示")}));
    EXPECT_EQ(call.hints.value(QStringLiteral("desktop-entry")).toString(),
              QStringLiteral("chorelin"));
    // Activated as the desktop would, once the reply with the notice's id has arrived.
    QDBusMessage invoked = QDBusMessage::createSignal(
        QStringLiteral("/org/freedesktop/Notifications"),
        QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("ActionInvoked"));
    invoked << uint(41) << QStringLiteral("default");
    ASSERT_TRUE(waitFor([&] {
        server.send(invoked);
        return waitFor([&] { return !activated.empty(); }, 100);
    }));
    ASSERT_EQ(activated.size(), 1u);
    EXPECT_EQ(activated[0].task, "a<b");
    EXPECT_EQ(activated[0].runId, 7);

    QDBusConnection::disconnectFromBus(QStringLiteral("client"));
    QDBusConnection::disconnectFromBus(QStringLiteral("service"));
}

#include "failure_notifier_test.moc"
