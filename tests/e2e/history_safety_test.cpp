// The real program's run history against another user: state folders it must not trust and
// things planted under the names it uses, run as an unprivileged user (root ignores modes);
// nothing hangs and SIGTERM always ends it. And one instance per user whatever the program
// file is called.

#include "process_runner.h"
#include "support/task_builders.h"
#include "support/temp_home.h"

#include <csignal>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace testing_support;
using namespace std::chrono_literals;

namespace {

struct Program {
    Program() {
        makeDirs(temp.root() + "/bin");
        std::filesystem::copy_file(CHORELIN_BINARY, program());
        makeDirs(state());
    }
    std::string program(const std::string& name = "chorelin") const {
        return temp.root() + "/bin/" + name;
    }
    std::string state() const { return temp.root() + "/state"; }
    std::string folder() const { return state() + "/chorelin"; }
    std::string trace() const { return temp.root() + "/trace.log"; }
    std::string err() const { return temp.root() + "/err"; }
    std::vector<std::string> env(const std::vector<std::string>& more = {}) const {
        std::vector<std::string> all{"QT_QPA_PLATFORM=offscreen", "CHORELIN_TRACE=" + trace(),
                                     "DBUS_SESSION_BUS_ADDRESS=unix:path=" + temp.root() + "/no"};
        all.insert(all.end(), more.begin(), more.end());
        return all;
    }
    bool started() const {
        return readFile(trace()).find("CChorelinView::OnInitialUpdate() End") != std::string::npos;
    }
    // As user 65534, the whole tree given to that user first (none when not root).
    std::vector<std::string> asAnotherUser() const {
        if (::geteuid() != 0)
            return {};
        ::lchown(temp.root().c_str(), 65534, 65534);
        for (const auto& entry : std::filesystem::recursive_directory_iterator(temp.root()))
            ::lchown(entry.path().c_str(), 65534, 65534);
        return {"setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"};
    }

    TempHome temp;
};

TEST(HistorySafetyProgram, HostileStateFoldersAsAnotherUser) {
    struct Case {
        const char* what;
        std::function<void(const Program&)> spoil;
        const char* said; // on standard error
        int folderMode;   // kept as it was; 0: not checked
    } cases[] = {
        {"parent writable by others", [](const Program& p) { ::chmod(p.state().c_str(), 0777); },
         "実行履歴を記録しません", 0},
        {"state folder a link",
         [](const Program& p) {
             makeDirs(p.temp.root() + "/victim");
             ::symlink((p.temp.root() + "/victim").c_str(), p.folder().c_str());
         },
         "実行履歴を記録しません", 0},
        {"FIFO as database",
         [](const Program& p) {
             makeDirs(p.folder());
             ::mkfifo((p.folder() + "/history.sqlite3").c_str(), 0600);
         },
         "に移しました", 0},
        {"FIFO as -wal",
         [](const Program& p) {
             makeDirs(p.folder());
             ::mkfifo((p.folder() + "/history.sqlite3-wal").c_str(), 0600);
         },
         "に移しました", 0},
        {"link to /dev/zero as -shm",
         [](const Program& p) {
             makeDirs(p.folder());
             ::symlink("/dev/zero", (p.folder() + "/history.sqlite3-shm").c_str());
         },
         "に移しました", 0},
        {"a 0500 folder",
         [](const Program& p) {
             makeDirs(p.folder());
             ::chmod(p.folder().c_str(), 0500);
         },
         "実行履歴を記録できない", 0500},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Program run;
        c.spoil(run);
        const std::vector<std::string> wrapper = run.asAnotherUser();
        ChorelinProcess chorelin(run.err(), run.env(), run.program(), wrapper);
        ASSERT_TRUE(waitFor([&] { return run.started(); }, 20s)) << readFile(run.err());
        chorelin.signal(SIGTERM);
        EXPECT_EQ(chorelin.waitForExit(20s), 0);
        const std::string err = readFile(run.err());
        EXPECT_NE(err.find(c.said), std::string::npos) << err;
        EXPECT_FALSE(exists(run.temp.root() + "/victim/history.sqlite3"));
        if (c.folderMode != 0) {
            struct stat st;
            ASSERT_EQ(::stat(run.folder().c_str(), &st), 0);
            EXPECT_EQ(static_cast<int>(st.st_mode & 07777), c.folderMode);
        }
    }
}

TEST(HistorySafetyProgram, FifosAtOutputNamesNeitherHangNorStopTheTasks) {
    ASSERT_TRUE(exists(CHORELIN_FAKETIME)) << "libfaketime is missing: run scripts/setup";
    Program run;
    const std::string script = run.temp.scratch() + "/job.sh";
    makeDirs(run.temp.scratch());
    writeFile(script, "#!/bin/sh\necho ran\n", 0755);
    makeDirs(run.temp.documents() + "/chorelin");
    writeTaskFile(run.temp.documents() + "/chorelin/chorelin.tsk",
                  {makeTask({.name = "job",
                             .registeredFile = script,
                             .lastRun = "2024/05/09",
                             .nextRun = "2024/05/10"})});
    // The clock is shifted in the program alone, not in setpriv, which runs as root first.
    std::vector<std::string> wrapper = run.asAnotherUser();
    for (const std::string& entry :
         {std::string("env"), std::string("LD_PRELOAD=") + CHORELIN_FAKETIME,
          std::string("FAKETIME=@2024-05-10 08:59:57"),
          std::string("FAKETIME_DONT_FAKE_MONOTONIC=1")})
        wrapper.push_back(entry);
    ChorelinProcess chorelin(run.err(), run.env(), run.program(), wrapper);
    ASSERT_TRUE(waitFor([&] { return run.started(); }, 20s)) << readFile(run.err());
    // Planted while it runs, where the next runs' output would go.
    for (int id = 1; id <= 5; ++id)
        ::mkfifo((run.folder() + "/output/" + std::to_string(id) + ".log").c_str(), 0666);
    // Read only once it is a regular file again: the test must not hang on a FIFO either.
    const std::string first = run.folder() + "/output/1.log";
    EXPECT_TRUE(waitFor(
        [&] {
            struct stat st;
            return ::lstat(first.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
                   readFile(first) == "ran\n";
        },
        20s))
        << readFile(run.err());
    chorelin.signal(SIGTERM);
    EXPECT_EQ(chorelin.waitForExit(20s), 0);
    EXPECT_NE(readFile(run.err()).find("に移しました"), std::string::npos);
}

TEST(HistorySafetyProgram, ARenamedCopyIsStillASecondInstance) {
    Program run;
    std::filesystem::copy_file(CHORELIN_BINARY, run.program("renamed"));
    ChorelinProcess first(run.err(), run.env(), run.program());
    ASSERT_TRUE(waitFor([&] { return run.started(); }, 20s)) << readFile(run.err());
    EXPECT_TRUE(exists(run.folder() + "/Chorelin.Mutex"));

    const std::string secondErr = run.temp.root() + "/second.err";
    ChorelinProcess second(secondErr, run.env({"CHORELIN_TRACE=" + run.temp.root() + "/t2"}),
                           run.program("renamed"));
    EXPECT_EQ(second.waitForExit(20s), 0);
    EXPECT_NE(readFile(secondErr).find("Chorelinは既に起動されています。"), std::string::npos);
    EXPECT_EQ(first.waitForExit(300ms), -1); // still running
    first.signal(SIGTERM);
    EXPECT_EQ(first.waitForExit(20s), 0);
}

} // namespace
