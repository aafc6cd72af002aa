// The run history of the real program, read back through its own command line: a run that
// exits 3 after writing to both streams, a program that does not exist, and a run in flight when
// Chorelin is killed, which the next start closes as lost. The wall clock starts two seconds
// before the tasks' minute (libfaketime), so they run at once.

#include "process_runner.h"
#include "support/task_builders.h"
#include "support/temp_home.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <csignal>
#include <cstdlib>
#include <gtest/gtest.h>

using namespace testing_support;
using namespace std::chrono_literals;

namespace {

class RunHistoryProgram : public ::testing::Test {
protected:
    void writeTasks(const std::vector<std::pair<std::string, std::string>>& nameAndFile) {
        ASSERT_TRUE(exists(CHORELIN_FAKETIME)) << "libfaketime is missing: run scripts/setup";
        std::vector<TaskRecord> records;
        for (const auto& [name, file] : nameAndFile)
            records.push_back(makeTask({.name = name,
                                        .registeredFile = file,
                                        .lastRun = "2024/05/09",
                                        .nextRun = "2024/05/10"}));
        makeDirs(home.documents() + "/chorelin");
        writeTaskFile(home.documents() + "/chorelin/chorelin.tsk", records);
    }

    // No notice reaches a desktop the tests may run on. `wrapper` starts the program.
    std::unique_ptr<ChorelinProcess> start(const std::string& time,
                                           const std::vector<std::string>& wrapper = {}) {
        return std::make_unique<ChorelinProcess>(
            home.root() + "/err",
            std::vector<std::string>{"QT_QPA_PLATFORM=offscreen",
                                     "DBUS_SESSION_BUS_ADDRESS=unix:path=" + home.root() + "/no",
                                     std::string("LD_PRELOAD=") + CHORELIN_FAKETIME,
                                     "FAKETIME=@2024-05-10 " + time,
                                     "FAKETIME_DONT_FAKE_MONOTONIC=1"},
            CHORELIN_BINARY, wrapper);
    }

    // `chorelin --history --json` once every run shown is past `outcome` (or at the time-out).
    QJsonArray historyPast(size_t count, const QString& outcome = "running") const {
        const std::string out = home.root() + "/out";
        QJsonArray runs;
        waitFor(
            [&] {
                std::system((std::string(CHORELIN_BINARY) + " --history --json >" + out).c_str());
                runs = QJsonDocument::fromJson(QByteArray::fromStdString(readFile(out))).array();
                for (const QJsonValue& run : runs) {
                    if (run["outcome"] == outcome)
                        return false;
                }
                return size_t(runs.size()) == count;
            },
            20s);
        return runs;
    }

    TempHome home;
};

TEST_F(RunHistoryProgram, ExitCodeBothStreamsAndAFailedStart) {
    const std::string script = home.scratch() + "/both.sh";
    writeFile(script, "#!/bin/sh\necho to stdout\necho to stderr >&2\nexit 3\n", 0755);
    writeTasks({{"バックアップ", script}, {"ない", home.scratch() + "/missing/program"}});
    const std::unique_ptr<ChorelinProcess> program = start("08:59:58");

    const QJsonArray runs = historyPast(2);
    ASSERT_EQ(runs.size(), 2) << readFile(home.root() + "/err");
    const QJsonObject failed = runs[0].toObject(), exited = runs[1].toObject(); // newest first
    EXPECT_EQ(exited["task"], "バックアップ");
    EXPECT_EQ(exited["trigger"], "scheduled");
    EXPECT_TRUE(exited["due"].toString().startsWith("2024-05-10T09:00:00.000"));
    EXPECT_EQ(exited["outcome"], "exited");
    EXPECT_EQ(exited["exitCode"], 3);
    EXPECT_TRUE(exited["error"].isNull());
    EXPECT_EQ(readFile(exited["output"].toString().toStdString()), "to stdout\nto stderr\n");
    EXPECT_EQ(exited["outputBytes"], 20);

    EXPECT_EQ(failed["task"], "ない");
    EXPECT_EQ(failed["launch"], "failed");
    EXPECT_EQ(failed["outcome"], "failed");
    EXPECT_EQ(failed["error"].toString().toStdString(),
              "実行ファイルが見つかりません: " + home.scratch() + "/missing/program");
    EXPECT_EQ(failed["errorCode"], "ENOENT");
    EXPECT_TRUE(failed["output"].isNull());
    program->signal(SIGTERM);
    EXPECT_EQ(program->waitForExit(20s), 0);
}

TEST_F(RunHistoryProgram, RunInFlightWhenKilledIsLostAfterTheNextStart) {
    const std::string script = home.scratch() + "/long.sh", pidFile = home.scratch() + "/pid";
    writeFile(script, "#!/bin/sh\necho started\necho $$ >" + pidFile + "\nexec sleep 60\n", 0755);
    writeTasks({{"長い", script}});
    // The task's process outlives Chorelin, as it is meant to; the test ends it.
    struct Reaper {
        std::string pidFile;
        ~Reaper() {
            if (const int pid = std::atoi(readFile(pidFile).c_str()); pid > 0)
                ::kill(pid, SIGKILL);
        }
    } reaper{pidFile};

    const std::unique_ptr<ChorelinProcess> first = start("08:59:58");
    ASSERT_EQ(historyPast(1, "none").at(0)["outcome"], "running") << readFile(home.root() + "/err");
    ASSERT_TRUE(waitFor([&] { return exists(pidFile); }, 20s));
    first->signal(SIGKILL);
    ASSERT_EQ(first->waitForExit(20s), 128 + SIGKILL);

    // Past the task's minute: the next start runs nothing again, it only closes the run.
    const std::unique_ptr<ChorelinProcess> second = start("09:00:30");
    const QJsonArray after = historyPast(1);
    ASSERT_EQ(after.size(), 1);
    EXPECT_EQ(after[0]["outcome"], "lost");
    EXPECT_TRUE(after[0]["end"].isNull());
    EXPECT_EQ(after[0]["outputBytes"], 8); // "started\n"
    second->signal(SIGTERM);
    EXPECT_EQ(second->waitForExit(20s), 0);
}

// Started by a parent that ignores SIGCHLD (inherited across exec), Chorelin still sees how
// its tasks end: ignored, the kernel would reap them before anyone could ask.
TEST_F(RunHistoryProgram, EndsAreSeenWhenStartedWithSigchldIgnored) {
    const std::string script = home.scratch() + "/three.sh";
    writeFile(script, "#!/bin/sh\nexit 3\n", 0755);
    writeTasks({{"終わる", script}});
    const std::unique_ptr<ChorelinProcess> program =
        start("08:59:58", {"env", "--ignore-signal=CHLD"});

    const QJsonArray runs = historyPast(1);
    ASSERT_EQ(runs.size(), 1) << readFile(home.root() + "/err");
    EXPECT_EQ(runs[0]["outcome"], "exited");
    EXPECT_EQ(runs[0]["exitCode"], 3);
    program->signal(SIGTERM);
    EXPECT_EQ(program->waitForExit(20s), 0);
}

} // namespace
