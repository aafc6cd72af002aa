// chorelin --list and --history as the real program in a private home with a task file and a
// history: the JSON of each, the usage errors, and that they change nothing, need no display
// and run beside a window instance that holds the single-instance lock.

#include "cli/cli_output.h"
#include "history/history_store.h"
#include "platform/instance_lock.h"
#include "store/state_text.h"
#include "support/task_builders.h"
#include "support/temp_home.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <filesystem>
#include <gtest/gtest.h>
#include <unistd.h>

using namespace testing_support;

namespace {

struct Result {
    int code = -1;
    QString out;
    QString err;
};

class ReadingCommands : public ::testing::Test {
protected:
    void SetUp() override {
        const std::string folder = home.documents() + "/chorelin";
        makeDirs(folder);
        taskFile = folder + "/chorelin.tsk";
        writeFile(home.scratch() + "/backup.sh", "#!/bin/sh\n", 0755);
        TaskDraft backup{.name = "backup",
                         .registeredFile = home.scratch() + "/backup.sh",
                         .lastRun = "2024/05/09",
                         .nextRun = "2024/05/10"};
        TaskDraft notes{.name = "ノート",
                        .runTime = "18:30",
                        .schedule = "平日",
                        .registeredFile = home.scratch() + "/backup.sh",
                        .state = StateDisabled};
        writeTaskFile(taskFile, {makeTask(backup), makeTask(notes)});

        history::HistoryStore store(*history::userHistoryPaths());
        history::RunAttempt a{.task = "backup",
                              .registeredFile = "/r",
                              .program = "/p",
                              .trigger = history::RunTrigger::Scheduled,
                              .dueMs = 1715331600000, // 2024-05-10 09:00 UTC
                              .startMs = 1715331600004};
        history::RunTicket failing = store.prepareRun(a);
        EXPECT_EQ(::write(failing.outputFd, "oops\n", 5), 5);
        ::close(failing.outputFd);
        store.runStarted(failing.id, 321);
        store.runEnded(failing.id, {.kind = history::RunEnd::Kind::Exited,
                                    .exitCode = 3,
                                    .signal = 0,
                                    .endMs = 1715331601504});
        a.task = "ノート";
        a.trigger = history::RunTrigger::Manual;
        a.dueMs.reset();
        a.startMs += 60000;
        history::RunTicket failed = store.prepareRun(a);
        ::close(failed.outputFd);
        store.runFailed(failed.id, "実行ファイルが見つかりません。");
    }

    Result run(const QStringList& arguments) {
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("TZ"), QStringLiteral("UTC"));
        env.remove(QStringLiteral("DISPLAY"));
        env.remove(QStringLiteral("WAYLAND_DISPLAY"));
        env.remove(QStringLiteral("QT_QPA_PLATFORM"));
        process.setProcessEnvironment(env);
        process.start(QStringLiteral(CHORELIN_BINARY), arguments);
        Result result;
        if (!process.waitForFinished(30000))
            return result;
        result.code = process.exitCode();
        result.out = QString::fromUtf8(process.readAllStandardOutput());
        result.err = QString::fromUtf8(process.readAllStandardError());
        return result;
    }

    static QJsonArray array(const Result& result) {
        return QJsonDocument::fromJson(result.out.toUtf8()).array();
    }

    TempHome home;
    std::string taskFile;
};

QStringList keysInOrder(const QString& line) {
    QStringList keys;
    static const QRegularExpression key(QStringLiteral("\"(\\w+)\": "));
    for (auto it = key.globalMatch(line); it.hasNext();)
        keys << it.next().captured(1);
    return keys;
}

} // namespace

TEST_F(ReadingCommands, ListAsJson) {
    // A window instance runs: the command neither needs nor takes its lock.
    platform::InstanceLock::Status status;
    const auto lock = platform::InstanceLock::acquire(platform::SystemPath(taskFile).folder(),
                                                      "Chorelin.Mutex", status);
    ASSERT_EQ(status, platform::InstanceLock::Status::Acquired);
    const std::string before = readFile(taskFile);

    const Result result = run({QStringLiteral("--list"), QStringLiteral("--json")});
    ASSERT_EQ(result.code, 0) << result.err.toStdString();
    const QJsonArray tasks = array(result);
    ASSERT_EQ(tasks.size(), 2);
    EXPECT_EQ(keysInOrder(result.out.split('\n')[1]),
              QStringList({"name", "state", "stateText", "schedule", "runTime", "startDate",
                           "endDate", "lastRun", "nextRun", "registeredFile", "executableFile",
                           "lastRunOutcome", "lastRunExitCode"}));
    const QJsonObject backup = tasks[0].toObject();
    EXPECT_EQ(backup["name"].toString(), QStringLiteral("backup"));
    EXPECT_EQ(backup["state"].toInt(), 1);
    EXPECT_EQ(backup["stateText"].toString(), QStringLiteral("実行待ち"));
    EXPECT_EQ(backup["schedule"].toString(), QStringLiteral("毎日"));
    EXPECT_EQ(backup["runTime"].toString(), QStringLiteral("09:00"));
    EXPECT_TRUE(backup["startDate"].isNull());
    EXPECT_EQ(backup["lastRun"].toString(), QStringLiteral("2024-05-09"));
    EXPECT_EQ(backup["nextRun"].toString(), QStringLiteral("2024-05-10"));
    EXPECT_EQ(backup["registeredFile"].toString().toStdString(), home.scratch() + "/backup.sh");
    const QJsonObject notes = tasks[1].toObject();
    EXPECT_EQ(notes["name"].toString(), QStringLiteral("ノート"));
    EXPECT_EQ(notes["state"].toInt(), 4);
    EXPECT_EQ(notes["stateText"].toString(), QStringLiteral("無効"));
    EXPECT_EQ(notes["schedule"].toString(), QStringLiteral("平日"));
    EXPECT_EQ(backup["lastRunOutcome"].toString(), QStringLiteral("exited"));
    EXPECT_EQ(backup["lastRunExitCode"].toInt(), 3);
    EXPECT_EQ(notes["lastRunOutcome"].toString(), QStringLiteral("failed"));
    EXPECT_TRUE(notes["lastRunExitCode"].isNull());

    // Read only: the task file as it was, nothing beside it but the window instance's lock.
    EXPECT_EQ(readFile(taskFile), before);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(home.documents() + "/chorelin"),
                            std::filesystem::directory_iterator()),
              2);
    // The table names the last outcome.
    const Result table = run({QStringLiteral("--list")});
    EXPECT_EQ(table.code, 0);
    EXPECT_TRUE(table.out.contains(QStringLiteral("異常終了 (3)")));
}

TEST_F(ReadingCommands, ListTellsTheStatesTheWindowShowsAtOnce) {
    // The window writes the task file when a run starts, not when it ends nor when a file goes.
    const std::string script = home.scratch() + "/backup.sh";
    const std::string program = home.scratch() + "/viewer";
    writeFile(program, "#!/bin/sh\n", 0755);
    history::HistoryStore store(*history::userHistoryPaths());
    for (const char* task : {"once", "still"}) {
        history::RunAttempt attempt;
        attempt.task = task;
        const history::RunTicket ticket = store.prepareRun(attempt);
        ::close(ticket.outputFd);
        store.runStarted(ticket.id, 4321);
        if (task == std::string_view("once"))
            store.runEnded(ticket.id, history::RunEnd{});
    }
    store.flush(); // the writer lets new rows gather a moment before it writes them
    const struct {
        TaskDraft draft;
        int state;
    } cases[] = {
        {{.name = "backup", .registeredFile = script, .state = StateRunning}, StateWaiting},
        {{.name = "once", .schedule = "１回のみ", .registeredFile = script, .state = StateRunning},
         StateCompleted},
        {{.name = "still", .registeredFile = script, .state = StateRunning}, StateRunning},
        {{.name = "gone", .registeredFile = home.scratch() + "/gone.sh"}, StateNoRegisteredFile},
        {{.name = "back",
          .registeredFile = home.root() + "/a.txt",
          .executableFile = program,
          .state = StateNoExecutable},
         StateWaiting},
        {{.name = "esc\x1b[31m", .registeredFile = script, .state = StateDisabled}, StateDisabled},
    };
    writeFile(home.root() + "/a.txt", "a");
    std::vector<TaskRecord> records;
    for (const auto& c : cases)
        records.push_back(makeTask(c.draft));
    writeTaskFile(taskFile, records);

    const QJsonArray tasks = array(run({QStringLiteral("--list"), QStringLiteral("--json")}));
    ASSERT_EQ(tasks.size(), static_cast<qsizetype>(std::size(cases)));
    const QStringList table = run({QStringLiteral("--list")}).out.split('\n');
    for (size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(cases[i].draft.name);
        EXPECT_EQ(tasks[static_cast<qsizetype>(i)].toObject()["state"].toInt(), cases[i].state);
        EXPECT_TRUE(table[static_cast<qsizetype>(i) + 2].contains(
            QString::fromUtf8(stateText(cases[i].state))));
    }
    // JSON keeps the name as it is; the table shows the escape character, never sends it.
    EXPECT_EQ(tasks[5].toObject()["name"].toString(), QStringLiteral("esc\x1b[31m"));
    EXPECT_TRUE(table[7].startsWith(QStringLiteral("esc\\x1b[31m")));
}

TEST_F(ReadingCommands, HistoryAsJson) {
    const Result result = run({QStringLiteral("--history"), QStringLiteral("--json")});
    ASSERT_EQ(result.code, 0) << result.err.toStdString();
    const QJsonArray runs = array(result);
    ASSERT_EQ(runs.size(), 2);
    EXPECT_EQ(keysInOrder(result.out.split('\n')[1]),
              QStringList({"id", "task", "trigger", "due", "start", "end", "launch", "outcome",
                           "exitCode", "signal", "error", "errorCode", "output", "outputBytes"}));
    const QJsonObject failed = runs[0].toObject(); // newest first
    EXPECT_EQ(failed["task"].toString(), QStringLiteral("ノート"));
    EXPECT_EQ(failed["trigger"].toString(), QStringLiteral("manual"));
    EXPECT_TRUE(failed["due"].isNull());
    EXPECT_EQ(failed["start"].toString(), QStringLiteral("2024-05-10T09:01:00.004+00:00"));
    EXPECT_EQ(failed["launch"].toString(), QStringLiteral("failed"));
    EXPECT_EQ(failed["outcome"].toString(), QStringLiteral("failed"));
    EXPECT_TRUE(failed["exitCode"].isNull());
    EXPECT_EQ(failed["error"].toString(), QStringLiteral("実行ファイルが見つかりません。"));
    EXPECT_TRUE(failed["output"].isNull());

    const QJsonObject exited = runs[1].toObject();
    EXPECT_EQ(exited["task"].toString(), QStringLiteral("backup"));
    EXPECT_EQ(exited["trigger"].toString(), QStringLiteral("scheduled"));
    EXPECT_EQ(exited["due"].toString(), QStringLiteral("2024-05-10T09:00:00.000+00:00"));
    EXPECT_EQ(exited["end"].toString(), QStringLiteral("2024-05-10T09:00:01.504+00:00"));
    EXPECT_EQ(exited["launch"].toString(), QStringLiteral("started"));
    EXPECT_EQ(exited["outcome"].toString(), QStringLiteral("exited"));
    EXPECT_EQ(exited["exitCode"].toInt(), 3);
    EXPECT_TRUE(exited["signal"].isNull());
    EXPECT_TRUE(exited["error"].isNull());
    EXPECT_TRUE(exited["output"].toString().endsWith(
        QStringLiteral("/output/%1.log").arg(exited["id"].toInt())));
    EXPECT_EQ(exited["outputBytes"].toInt(), 5);

    // One task by name (its case as the window compares names), and a limit.
    const Result one =
        run({QStringLiteral("--history"), QStringLiteral("BACKUP"), QStringLiteral("--limit"),
             QStringLiteral("1"), QStringLiteral("--json")});
    ASSERT_EQ(one.code, 0) << one.err.toStdString();
    ASSERT_EQ(array(one).size(), 1);
    EXPECT_EQ(array(one)[0].toObject()["task"].toString(), QStringLiteral("backup"));
}

TEST_F(ReadingCommands, BadCommandLinesExitWithTwoAndNeverStartTheWindow) {
    // Each would start the window, or be run with its extras ignored, if it were not refused.
    // One command line after another, its arguments apart by spaces ("FILE " ends with "").
    const QStringList cases =
        QStringLiteral(
            "--history nobody,--history --limit 0,--history --limit x,--history a b,--list --limit "
            "3,"
            "--list backup,--list --bogus,-list,x --list,-- --list,x,--holidays 2024 extra,"
            "--holidays 2024 --limit 3,--import-holidays ,--import-holidays a.csv --json,"
            "--list --holidays 2024")
            .split(',');
    for (const QString& line : cases) {
        const QStringList arguments = line.split(' ');
        SCOPED_TRACE(arguments.join(' ').toStdString());
        const Result result = run(arguments);
        EXPECT_EQ(result.code, 2);
        EXPECT_TRUE(result.out.isEmpty());
        EXPECT_TRUE(result.err.startsWith(QStringLiteral("chorelin: ")));
        EXPECT_TRUE(
            result.err.endsWith(QStringLiteral("使い方は 'chorelin --help' で表示されます。\n")));
    }
    EXPECT_TRUE(run({"--history", "nobody"}).err.contains(QStringLiteral("「nobody」")));
    // Qt's window options beside a command change nothing; the command runs without a window.
    const Result withPlatform = run({"--platform=offscreen", "--list"});
    EXPECT_EQ(withPlatform.code, 0);
    EXPECT_TRUE(withPlatform.out.startsWith(QStringLiteral("名前")));
    // The help is Japanese, Qt's own headings included, and shows the optional NAME.
    const Result help = run({"--help"});
    EXPECT_EQ(help.code, 0);
    EXPECT_TRUE(help.out.contains(QStringLiteral("[オプション] [NAME]"))) << help.out.toStdString();
    EXPECT_FALSE(help.out.contains(QRegularExpression(QStringLiteral("Displays|Usage"))));
}
