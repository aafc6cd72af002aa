// The run history of the real program, read back through its own command line: a run that
// exits 3 after writing to both streams, a program that does not exist, and a run in flight when
// Chorelin is killed, which the next start closes as lost. The wall clock is moved to two
// seconds before the tasks' minute (libfaketime), so they run at once.

#include "process_runner.h"
#include "support/task_builders.h"
#include "support/temp_home.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <csignal>
#include <cstdlib>
#include <gtest/gtest.h>
#include <sys/wait.h>

using namespace testing_support;
using namespace std::chrono_literals;

namespace {

class RunHistoryProgram : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(exists(CHORELIN_FAKETIME)) << "libfaketime is missing: run scripts/setup";
        makeDirs(home.documents() + "/chorelin");
    }

    void writeTasks(const std::vector<std::pair<std::string, std::string>>& nameAndFile) {
        std::vector<TaskRecord> records;
        for (const auto& [name, file] : nameAndFile) {
            TaskDraft draft;
            draft.name = name;
            draft.registeredFile = file;
            draft.lastRun = "2024/05/09";
            draft.nextRun = "2024/05/10";
            records.push_back(makeTask(draft));
        }
        writeTaskFile(home.documents() + "/chorelin/chorelin.tsk", records);
    }

    // The program on a clock that starts at `localTime` on 2024-05-10; no notification reaches
    // a desktop the tests may run on.
    std::unique_ptr<ChorelinProcess> start(const std::string& localTime) {
        return std::make_unique<ChorelinProcess>(
            home.root() + "/err",
            std::vector<std::string>{"QT_QPA_PLATFORM=offscreen", "CHORELIN_TRACE=" + trace,
                                     "DBUS_SESSION_BUS_ADDRESS=unix:path=" + home.root() + "/no",
                                     std::string("LD_PRELOAD=") + CHORELIN_FAKETIME,
                                     "FAKETIME=@2024-05-10 " + localTime,
                                     "FAKETIME_DONT_FAKE_MONOTONIC=1"});
    }

    // `chorelin --history --json`, newest first.
    QJsonArray history() const {
        const std::string out = home.root() + "/out";
        const int status = std::system(
            (std::string(CHORELIN_BINARY) + " --history --json >" + out + " 2>/dev/null").c_str());
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
            return {};
        return QJsonDocument::fromJson(QByteArray::fromStdString(readFile(out))).array();
    }

    // The runs once `done` holds for them, or what there was at the time-out.
    QJsonArray historyWhen(const std::function<bool(const QJsonArray&)>& done) const {
        QJsonArray runs;
        waitFor(
            [&] {
                runs = history();
                return done(runs);
            },
            20s);
        return runs;
    }

    static bool allEnded(const QJsonArray& runs, int count) {
        if (runs.size() != count)
            return false;
        for (const QJsonValue& run : runs) {
            if (run[QStringLiteral("outcome")].toString() == QStringLiteral("running"))
                return false;
        }
        return true;
    }

    TempHome home;
    std::string trace = home.root() + "/trace.log";
};

TEST_F(RunHistoryProgram, ExitCodeBothStreamsAndAFailedStart) {
    const std::string script = home.scratch() + "/both.sh";
    writeFile(script, "#!/bin/sh\necho to stdout\necho to stderr >&2\nexit 3\n", 0755);
    writeTasks({{"バックアップ", script}, {"ない", home.scratch() + "/missing/program"}});
    const std::unique_ptr<ChorelinProcess> program = start("08:59:58");

    const QJsonArray runs = historyWhen([](const QJsonArray& r) { return allEnded(r, 2); });
    ASSERT_EQ(runs.size(), 2) << readFile(home.root() + "/err");
    const QJsonObject failed = runs[0].toObject(); // started second, in table order
    const QJsonObject exited = runs[1].toObject();

    EXPECT_EQ(exited["task"].toString(), QStringLiteral("バックアップ"));
    EXPECT_EQ(exited["trigger"].toString(), QStringLiteral("scheduled"));
    EXPECT_TRUE(exited["due"].toString().startsWith(QStringLiteral("2024-05-10T09:00:00.000")));
    EXPECT_EQ(exited["launch"].toString(), QStringLiteral("started"));
    EXPECT_EQ(exited["outcome"].toString(), QStringLiteral("exited"));
    EXPECT_EQ(exited["exitCode"].toInt(-1), 3);
    EXPECT_TRUE(exited["signal"].isNull());
    EXPECT_TRUE(exited["error"].isNull());
    const std::string output = exited["output"].toString().toStdString();
    EXPECT_EQ(readFile(output), "to stdout\nto stderr\n");
    EXPECT_EQ(exited["outputBytes"].toInt(), 20);

    EXPECT_EQ(failed["task"].toString(), QStringLiteral("ない"));
    EXPECT_EQ(failed["launch"].toString(), QStringLiteral("failed"));
    EXPECT_EQ(failed["outcome"].toString(), QStringLiteral("failed"));
    EXPECT_EQ(failed["error"].toString(), QStringLiteral("No such file or directory"));
    EXPECT_TRUE(failed["exitCode"].isNull());
    EXPECT_TRUE(failed["output"].isNull());

    program->signal(SIGTERM);
    EXPECT_EQ(program->waitForExit(20s), 0);
}

TEST_F(RunHistoryProgram, RunInFlightWhenKilledIsLostAfterTheNextStart) {
    const std::string script = home.scratch() + "/long.sh";
    const std::string pidFile = home.scratch() + "/pid";
    writeFile(script, "#!/bin/sh\necho started\necho $$ > '" + pidFile + "'\nexec sleep 60\n",
              0755);
    writeTasks({{"長い", script}});
    // The task's process outlives Chorelin (it is left running by design); the test ends it.
    struct Reaper {
        std::string pidFile;
        ~Reaper() {
            if (const int pid = std::atoi(readFile(pidFile).c_str()); pid > 0)
                ::kill(pid, SIGKILL);
        }
    } reaper{pidFile};

    {
        const std::unique_ptr<ChorelinProcess> first = start("08:59:58");
        const QJsonArray running = historyWhen([](const QJsonArray& r) {
            return r.size() == 1 && r[0][QStringLiteral("outcome")].toString() == "running";
        });
        ASSERT_EQ(running.size(), 1) << readFile(home.root() + "/err");
        ASSERT_TRUE(waitFor([&] { return readFile(pidFile) != ""; }, 20s));
        first->signal(SIGKILL);
        ASSERT_EQ(first->waitForExit(20s), 128 + SIGKILL);
    }
    ASSERT_EQ(history()[0][QStringLiteral("outcome")].toString(), QStringLiteral("running"));

    // Past the task's minute: the next start runs nothing, it only closes the run.
    const std::unique_ptr<ChorelinProcess> second = start("09:00:30");
    const QJsonArray after = historyWhen([](const QJsonArray& r) {
        return r.size() == 1 && r[0][QStringLiteral("outcome")].toString() != "running";
    });
    ASSERT_EQ(after.size(), 1);
    EXPECT_EQ(after[0][QStringLiteral("outcome")].toString(), QStringLiteral("lost"));
    EXPECT_TRUE(after[0][QStringLiteral("end")].isNull());
    EXPECT_EQ(after[0][QStringLiteral("outputBytes")].toInt(), 8); // "started\n"
    second->signal(SIGTERM);
    EXPECT_EQ(second->waitForExit(20s), 0);
}

} // namespace
