// The holiday commands of the real program's command line, and a running instance that puts a
// holiday file installed from the command line in force, and takes it back when it is removed.

#include "process_runner.h"
#include "store/task_record.h"
#include "support/task_builders.h"
#include "support/temp_home.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace testing_support;
using namespace std::chrono_literals;

namespace {

const std::string kSample = std::string(CHORELIN_TEST_DATA) + "/syukujitsu-sample.csv";

class HolidaysCommandLine : public ::testing::Test {
protected:
    struct Run {
        int exitCode;
        std::string out, err;
    };
    Run run(const std::string& arguments, const std::string& wrapper = "") const {
        const std::string out = home.root() + "/out", err = home.root() + "/err";
        const int status = std::system(
            (wrapper + std::string(CHORELIN_BINARY) + " " + arguments + " >" + out + " 2>" + err)
                .c_str());
        return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, readFile(out), readFile(err)};
    }
    std::string installed() const { return home.configHome() + "/Marrowby/holidays.csv"; }

    TempHome home;
};

QJsonObject holiday(const char* date, const char* name, const char* source) {
    return QJsonObject{{"date", date},
                       {"name", *name ? QJsonValue(name) : QJsonValue(QJsonValue::Null)},
                       {"source", source}};
}

TEST_F(HolidaysCommandLine, PrintsWeekdayHolidaysAsJsonFromTheSourceInForce) {
    const Run builtin = run("--holidays 2026 --json");
    ASSERT_EQ(builtin.exitCode, 0) << builtin.err;
    const QJsonArray before =
        QJsonDocument::fromJson(QByteArray::fromStdString(builtin.out)).array();
    ASSERT_EQ(before.size(), 16);
    EXPECT_EQ(before.last().toObject(), holiday("2026-12-23", "", "builtin"));
    EXPECT_TRUE(
        run("--holidays 2026").out.starts_with("日付\t出典\t名称\n2026/01/01\t組み込み\t\n"));

    const Run import = run("--import-holidays " + kSample);
    ASSERT_EQ(import.exitCode, 0) << import.err;
    const Run file = run("--holidays 2026 --json");
    const QJsonArray after = QJsonDocument::fromJson(QByteArray::fromStdString(file.out)).array();
    ASSERT_EQ(after.size(), 17); // the year's 18 holidays but 5/3, a Sunday
    EXPECT_EQ(after[3].toObject(), holiday("2026-02-23", "天皇誕生日", "file"));
    EXPECT_EQ(after[12].toObject(), holiday("2026-09-22", "休日", "file"));
    EXPECT_NE(run("--holidays 2026").out.find("\n2026/02/23\tファイル\t天皇誕生日\n"),
              std::string::npos);
    const QJsonArray rules =
        QJsonDocument::fromJson(QByteArray::fromStdString(run("--holidays 2030 --json").out))
            .array();
    EXPECT_EQ(rules[2].toObject(), holiday("2030-02-11", "建国記念の日", "rules"));
}

TEST_F(HolidaysCommandLine, RefusedImportSaysWhyAndInstallsNothing) {
    const std::string bad = home.scratch() + "/bad.csv";
    writeFile(bad, "国民の祝日・休日月日,国民の祝日・休日名称\n2026/2/30,x\n");
    const std::string hostile = home.scratch() + "/esc.csv";
    writeFile(hostile, "国民の祝日・休日月日,国民の祝日・休日名称\n2026/2/3\x1b[2J,x\n");
    EXPECT_NE(run("--import-holidays " + hostile).err.find("「2026/2/3\\x1b[2J」"),
              std::string::npos);
    const Run refused = run("--import-holidays " + bad);
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_EQ(refused.err,
              "祝日データ(" + bad +
                  ") を読み込めません。\n2行目: 日付「2026/2/30」は実在しない日付です。\n");
    EXPECT_FALSE(exists(installed()));
    EXPECT_EQ(run("--holidays 1969").exitCode, 2);
}

TEST_F(HolidaysCommandLine, RunningInstancePutsAnImportedFileInForceWithinSeconds) {
    const std::string taskFile = home.documents() + "/chorelin/chorelin.tsk";
    makeDirs(home.documents() + "/chorelin");
    TaskDraft draft;
    draft.name = "weekdays";
    draft.schedule = "平日";
    draft.registeredFile = "/bin/true";
    draft.startDate = "2030/02/11"; // a Monday, and 建国記念の日 by the rules
    writeTaskFile(taskFile, {makeTask(draft)});
    const std::string trace = home.root() + "/trace.log";
    ChorelinProcess program(home.root() + "/program.err",
                            {"QT_QPA_PLATFORM=offscreen", "CHORELIN_TRACE=" + trace});
    ASSERT_TRUE(waitFor(
        [&] { return readFile(trace).find("MyTaskRead() End") != std::string::npos; }, 20s));
    const auto nextRun = [&] {
        const std::vector<TaskRecord> tasks = readTaskFile(taskFile);
        return tasks.empty() ? 0 : tasks[0].nextRunDate;
    };

    ASSERT_EQ(run("--import-holidays " + kSample).exitCode, 0);
    EXPECT_TRUE(waitFor([&] { return nextRun() == 20300212; }, 10s));
    ASSERT_EQ(std::remove(installed().c_str()), 0);
    EXPECT_TRUE(waitFor([&] { return nextRun() == 20300211; }, 10s));

    program.signal(SIGTERM);
    EXPECT_EQ(program.waitForExit(20s), 0);
}

// Own days off are believed only when the file and the settings folder pass the task file's
// trust rule, judged as an ordinary user (root passes every mode check).
TEST_F(HolidaysCommandLine, OwnDaysOffCountOnlyFromAPrivateFolder) {
    const std::string folder = home.configHome() + "/Marrowby";
    const std::string daysOff = folder + "/days-off.csv";
    makeDirs(folder);
    writeFile(daysOff, "日付,名称\n2027/9/6,創立記念日\n2027/9/7,創立記念日の翌日\n", 0600);
    for (const auto& entry : std::filesystem::recursive_directory_iterator(home.root()))
        ASSERT_EQ(::lchown(entry.path().c_str(), 65534, 65534), 0) << entry.path();
    ASSERT_EQ(::chown(home.root().c_str(), 65534, 65534), 0);
    const std::string asNobody = "setpriv --reuid=65534 --regid=65534 --clear-groups ";
    const std::string fileShared =
        "他のユーザーが変更できるファイルです。chmod 600 " + daysOff + " で直してください。";
    const struct {
        const char* label;
        mode_t folderMode, fileMode;
        uid_t fileOwner;
        std::string refusal; // empty: both days listed as own
    } cases[] = {
        {"private", 0700, 0600, 65534, ""},
        {"group folder", 0750, 0600, 65534, ""},
        {"folder open to all", 0777, 0600, 65534,
         "フォルダ " + folder + " を他のユーザーが変更できます。chmod 700 " + folder +
             " で直してください。"},
        {"file writable by the group", 0700, 0660, 65534, fileShared},
        {"file of another user", 0700, 0644, 0, fileShared},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        ASSERT_EQ(::chmod(folder.c_str(), c.folderMode), 0);
        ASSERT_EQ(::chown(daysOff.c_str(), c.fileOwner, c.fileOwner), 0);
        ASSERT_EQ(::chmod(daysOff.c_str(), c.fileMode), 0);
        const Run listed = run("--holidays 2027 --json", asNobody);
        ASSERT_EQ(listed.exitCode, 0) << listed.err;
        int own = 0;
        for (const QJsonValue& day :
             QJsonDocument::fromJson(QByteArray::fromStdString(listed.out)).array())
            own += day.toObject()["source"].toString() == "own" ? 1 : 0;
        EXPECT_EQ(own, c.refusal.empty() ? 2 : 0) << listed.out;
        if (!c.refusal.empty()) {
            EXPECT_NE(
                listed.err.find("独自の休日(" + daysOff + ") を読み込めません。\n" + c.refusal),
                std::string::npos)
                << listed.err;
        }
    }
}

} // namespace
