// The run history on Windows: it lives in the local application data folder, a real program's
// output reaches its run's file through the pipe, and what stands under the history's names
// without being its own private file is moved aside, never opened.

#include "history/history_reader.h"
#include "history/history_store.h"
#include "platform/output_pipe.h"
#include "platform/process.h"
#include "platform/text_codec.h"
#include "support/temp_home.h"
#include "support/win32_test_paths.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

using namespace history;
using testing_support::eventually;
using testing_support::readFile;
using testing_support::wide;
using testing_support::windowsPath;

class HistoryOnWindows : public ::testing::Test {
protected:
    testing_support::TempHome home;
};

TEST_F(HistoryOnWindows, ARealRunIsRecordedWithItsOutput) {
    const std::optional<HistoryPaths> paths = userHistoryPaths();
    ASSERT_TRUE(paths);
    EXPECT_EQ(windowsPath(paths->folder), windowsPath(home.root() + "/state/chorelin"));
    HistoryStore store(*paths);
    ASSERT_TRUE(store.available());
    RunAttempt attempt;
    attempt.task = "backup";
    attempt.registeredFile = attempt.program = CHORELIN_TEST_SLEEPER;
    const RunTicket ticket = store.prepareRun(attempt);
    ASSERT_GE(ticket.outputFd, 0);
    const platform::SpawnResult spawned = platform::spawnProcess(
        *platform::utf8ToCp932(windowsPath(CHORELIN_TEST_SLEEPER)), "exit:3", ticket.outputFd);
    platform::closeDescriptor(ticket.outputFd);
    ASSERT_TRUE(spawned.started);
    store.runStarted(ticket.id, spawned.pid);
    ASSERT_EQ(platform::waitForAnyProcess({spawned.handle}, 20000), 0);
    platform::ProcessEnd end;
    platform::collectProcess(spawned.handle, end);
    platform::closeHandle(spawned.handle);
    store.runEnded(ticket.id, RunEnd{RunEnd::Kind::Exited, end.value, 0});

    // The row is complete once the pipe has been read to its end.
    std::vector<RunRecord> runs;
    EXPECT_TRUE(eventually([&] {
        store.flush();
        runs = HistoryReader(*paths).runsOfTask("backup", 10);
        return runs.size() == 1 && runs[0].outputBytes > 0;
    }));
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_EQ(runs[0].ending, RunEnding::Exited);
    EXPECT_EQ(runs[0].exitCode, 3);
    EXPECT_EQ(runs[0].outputPath, paths->outputFile(ticket.id));
    EXPECT_EQ(readFile(runs[0].outputPath), "sleeper says hello\n");
    EXPECT_EQ(runs[0].outputBytes, 19);
}

TEST_F(HistoryOnWindows, ForeignEntriesAreMovedAsideNeverOpened) {
    const HistoryPaths paths = *userHistoryPaths();
    testing_support::makeDirs(paths.outputFolder());
    const std::string victim = home.scratch() + "/victim";
    testing_support::writeFile(victim, "keep");
    struct Case {
        const char* what;
        std::string name;
        std::function<bool(const std::string&)> arrange; // false: cannot be set up here
        // A link is moved aside where the system renames links as themselves; where it would
        // rename the target instead (Wine), it stays and the history is refused.
        bool moved;
    };
    const Case cases[] = {
        {"a file everyone may write", "history.sqlite3-wal",
         [](const std::string& p) {
             testing_support::writeFile(p, "x");
             return testing_support::setDacl(p, L"D:P(A;;FA;;;OW)(A;;FA;;;WD)") &&
                    testing_support::daclOf(p).find(L";WD)") != std::wstring::npos;
         },
         true},
        {"a link", "history.sqlite3-shm",
         [&](const std::string& p) { return testing_support::makeLink(p, victim, false); }, false},
        {"a folder", "history.sqlite3",
         [](const std::string& p) { return testing_support::makeDirs(p), true; }, true},
    };
    std::vector<const Case*> arranged;
    for (const Case& c : cases) {
        if (c.arrange(paths.folder + "/" + c.name))
            arranged.push_back(&c);
        else
            std::printf("cannot be set up under this file system: %s\n", c.what);
    }
    ASSERT_FALSE(arranged.empty());
    { HistoryStore store(paths); }
    for (const Case* c : arranged) {
        if (!c->moved)
            continue;
        int copies = 0;
        for (const auto& e : std::filesystem::directory_iterator(wide(windowsPath(paths.folder))))
            copies += e.path().filename().string().starts_with(c->name + ".foreign-");
        EXPECT_EQ(copies, 1) << c->what;
    }
    EXPECT_EQ(readFile(victim), "keep");
}
