// The history store against a real database in the test's home: runs of real processes
// recorded from start to end, the endings, lost runs, retention, and a database that cannot be
// used never stopping anything.

#include "history/history_reader.h"
#include "history/history_schema.h"
#include "history/output_tail.h"
#include "history_test_support.h"
#include "store/trace.h"
#include "support/temp_home.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <sqlite3.h>

using namespace history;
using namespace history_test;
using testing_support::readFile;
using testing_support::writeFile;

namespace {

HistoryOptions immediatePrune(int runsPerTask, int64_t outputBytes) {
    HistoryOptions options;
    options.limits = {runsPerTask, outputBytes};
    options.pruneInterval = std::chrono::milliseconds(0);
    return options;
}

// Each case in a fresh home, also when the cases run in one process.
class History : public ::testing::Test {
protected:
    testing_support::TempHome home;
};

} // namespace

TEST_F(History, RecordsARealRunFromStartToEnd) {
    const HistoryPaths paths = homePaths();
    HistoryStore store(paths);
    ASSERT_TRUE(store.available());
    RunAttempt a = attempt("backup");
    a.dueMs = 1715310000000;
    RunTicket ticket = store.prepareRun(a);
    ASSERT_GE(ticket.outputFd, 0);
    const pid_t pid = spawnShell("echo to-stdout; echo to-stderr >&2; exit 3", ticket);
    store.runStarted(ticket.id, pid);

    // Seen while it runs (or just ended but not yet told), from a reader beside the writer.
    store.flush();
    std::vector<RunRecord> runs = HistoryReader(paths).runsOfTask("backup", 10);
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_EQ(runs[0].ending, RunEnding::Running);
    EXPECT_EQ(runs[0].pid, pid);

    const std::optional<RunRecord> ended = store.runEnded(ticket.id, waitEnd(pid));
    ASSERT_TRUE(ended);
    EXPECT_TRUE(ended->isFailure());
    store.flush();

    runs = HistoryReader(paths).runsOfTask("backup", 10);
    ASSERT_EQ(runs.size(), 1u);
    const RunRecord& run = runs[0];
    EXPECT_EQ(run.id, ticket.id);
    EXPECT_EQ(run.registeredFile, "/home/u/backup.sh");
    EXPECT_EQ(run.trigger, RunTrigger::Scheduled);
    EXPECT_EQ(run.dueMs, a.dueMs);
    EXPECT_TRUE(run.launched);
    EXPECT_EQ(run.ending, RunEnding::Exited);
    EXPECT_EQ(run.exitCode, 3);
    ASSERT_TRUE(run.endMs);
    EXPECT_GE(*run.endMs, run.startMs);
    EXPECT_EQ(run.outputPath, paths.outputFile(ticket.id));
    EXPECT_EQ(readFile(run.outputPath), "to-stdout\nto-stderr\n");
    EXPECT_EQ(run.outputBytes, 20);
    EXPECT_EQ(modeOf(paths.folder), 0700);
    EXPECT_EQ(modeOf(paths.outputFolder()), 0700);
    EXPECT_EQ(modeOf(paths.database()), 0600);
    EXPECT_EQ(modeOf(run.outputPath), 0600);
}

TEST_F(History, FailedStartsKillsAndSignalsAreTold) {
    const HistoryPaths paths = homePaths();
    HistoryStore store(paths);

    RunTicket failed = store.prepareRun(attempt("failing"));
    ::close(failed.outputFd);
    store.runFailed(failed.id, "実行ファイルが見つかりません。");

    RunTicket killed = store.prepareRun(attempt("killed"));
    RunAttempt manual = attempt("signalled");
    manual.trigger = RunTrigger::Manual;
    RunTicket signalled = store.prepareRun(manual);
    const pid_t sleeper = spawnShell("exec sleep 30", killed);
    const pid_t crasher = spawnShell("kill -SEGV $$", signalled);
    store.runStarted(killed.id, sleeper);
    store.runStarted(signalled.id, crasher);
    ::kill(-sleeper, SIGKILL);
    store.runEnded(killed.id, waitEnd(sleeper, true));
    store.runEnded(signalled.id, waitEnd(crasher));
    store.flush();

    HistoryReader reader(paths);
    struct Case {
        const char* task;
        RunEnding ending;
        std::optional<int> signal;
        bool failure;
    } cases[] = {
        {"failing", RunEnding::Failed, std::nullopt, true},
        {"killed", RunEnding::Killed, SIGKILL, false},
        {"signalled", RunEnding::Signal, SIGSEGV, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.task);
        const std::vector<RunRecord> runs = reader.runsOfTask(c.task, 5);
        ASSERT_EQ(runs.size(), 1u);
        EXPECT_EQ(runs[0].ending, c.ending);
        EXPECT_EQ(runs[0].signal, c.signal);
        EXPECT_EQ(runs[0].isFailure(), c.failure);
    }
    const RunRecord failedRun = reader.runsOfTask("failing", 1)[0];
    EXPECT_FALSE(failedRun.launched);
    EXPECT_EQ(failedRun.error, "実行ファイルが見つかりません。");
    // A start that failed leaves no empty output file behind.
    EXPECT_TRUE(failedRun.outputPath.empty());
    EXPECT_FALSE(fileExists(paths.outputFile(failed.id)));
    EXPECT_EQ(reader.runsOfTask("signalled", 1)[0].trigger, RunTrigger::Manual);
}

TEST_F(History, RunsInFlightWhenChorelinStopsAreLostAtTheNextStart) {
    const HistoryPaths paths = homePaths();
    int64_t id = 0;
    {
        HistoryStore store(paths);
        RunTicket ticket = store.prepareRun(attempt("nightly"));
        ::close(ticket.outputFd);
        store.runStarted(ticket.id, 4242);
        id = ticket.id;
        // A run prepared but not yet started does not wake the writer; a flush still writes it.
        store.flush();
        RunTicket unstarted = store.prepareRun(attempt("weekly"));
        ::close(unstarted.outputFd);
        store.flush();
        EXPECT_EQ(HistoryReader(paths).runsOfTask("weekly", 1).size(), 1u);
    }
    ASSERT_EQ(HistoryReader(paths).run(id)->ending, RunEnding::Running);
    HistoryStore again(paths);
    EXPECT_EQ(again.lostAtOpening(), 2);
    const std::optional<RunRecord> run = HistoryReader(paths).run(id);
    ASSERT_TRUE(run);
    EXPECT_EQ(run->ending, RunEnding::Lost);
    EXPECT_FALSE(run->endMs);
    // Ids go on after the ones already used.
    RunTicket next = again.prepareRun(attempt("nightly"));
    ::close(next.outputFd);
    EXPECT_GT(next.id, id);
}

TEST_F(History, RetentionKeepsTheNewestRunsOfEachTask) {
    const HistoryPaths paths = homePaths();
    std::vector<RunRecord> daily;
    {
        HistoryStore store(paths, immediatePrune(3, int64_t{1} << 30));
        for (int i = 0; i < 5; ++i)
            daily.push_back(runScript(store, "daily", "echo " + std::to_string(i)));
        runScript(store, "weekly", "echo w");
        store.flush();
    }
    // The start-up pass applies the limits too, whatever the last end left.
    HistoryStore store(paths, immediatePrune(3, int64_t{1} << 30));
    HistoryReader reader(paths);
    const std::vector<RunRecord> kept = reader.runsOfTask("daily", 10);
    ASSERT_EQ(kept.size(), 3u);
    EXPECT_EQ(kept[0].id, daily[4].id);
    EXPECT_EQ(kept[2].id, daily[2].id);
    EXPECT_EQ(reader.runsOfTask("weekly", 10).size(), 1u);
    EXPECT_FALSE(fileExists(daily[0].outputPath));
    EXPECT_FALSE(fileExists(daily[1].outputPath));
    EXPECT_EQ(readFile(daily[4].outputPath), "4\n");
}

TEST_F(History, RetentionLimitsTheOutputKeptInAll) {
    const HistoryPaths paths = homePaths();
    HistoryStore store(paths, immediatePrune(100, 10000));
    std::vector<RunRecord> runs;
    for (int i = 0; i < 4; ++i)
        runs.push_back(runScript(store, "big", "head -c 4000 /dev/zero"));
    store.flush();
    // One more end lets the writer prune after the others are written.
    runs.push_back(runScript(store, "small", "echo hi"));
    store.flush();
    ASSERT_TRUE(testing_support::exists(runs[4].outputPath));

    HistoryReader reader(paths);
    const std::vector<RunRecord> big = reader.runsOfTask("big", 10);
    ASSERT_EQ(big.size(), 4u); // the rows stay, only their files go
    EXPECT_FALSE(big[0].outputPath.empty());
    EXPECT_FALSE(big[1].outputPath.empty());
    for (int i : {2, 3}) {
        EXPECT_TRUE(big[i].outputPath.empty());
        EXPECT_EQ(big[i].outputNote, kOutputRemovedNote);
        EXPECT_FALSE(fileExists(runs[3 - i].outputPath));
    }
}

TEST_F(History, AnUnusableDatabaseNeverStopsARun) {
    struct Case {
        const char* what;
        void (*spoil)(const HistoryPaths&);
    } cases[] = {
        {"state folder is a file",
         [](const HistoryPaths& p) {
             testing_support::makeDirs(std::filesystem::path(p.folder).parent_path());
             writeFile(p.folder, "not a folder");
         }},
        {"newer schema",
         [](const HistoryPaths& p) {
             testing_support::makeDirs(p.folder);
             sqlite3* db = nullptr;
             sqlite3_open(p.database().c_str(), &db);
             sqlite3_exec(db, "CREATE TABLE runs (x); PRAGMA user_version = 99;", nullptr, nullptr,
                          nullptr);
             sqlite3_close(db);
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        testing_support::TempHome home;
        const std::string trace = home.scratch() + "/trace.log";
        setenv("CHORELIN_TRACE", trace.c_str(), 1);
        resetTraceSink();
        const HistoryPaths paths = homePaths();
        c.spoil(paths);
        HistoryStore store(paths);
        EXPECT_FALSE(store.available());
        for (int i = 0; i < 2; ++i) {
            RunTicket ticket = store.prepareRun(attempt("job"));
            EXPECT_EQ(ticket.outputFd, -1);
            const pid_t pid = spawnShell("echo gone; exit 1", ticket);
            store.runStarted(ticket.id, pid);
            const std::optional<RunRecord> ended = store.runEnded(ticket.id, waitEnd(pid));
            ASSERT_TRUE(ended); // what a notice needs is there without the database
            EXPECT_EQ(ended->exitCode, 1);
            EXPECT_FALSE(ended->outputNote.empty());
        }
        store.flush();
        EXPECT_EQ(count(readFile(trace), "実行履歴を記録"), 1);
        unsetenv("CHORELIN_TRACE");
        resetTraceSink();
    }
}

TEST_F(History, ADamagedDatabaseIsMovedAsideAndANewOneStarted) {
    const HistoryPaths paths = homePaths();
    testing_support::makeDirs(paths.outputFolder());
    const std::string garbage(8192, 'x');
    writeFile(paths.database(), garbage, 0600);
    // Output of a run the damaged database knew: no new run ever writes into it.
    writeFile(paths.outputFile(1), "old output\n", 0600);

    HistoryStore store(paths);
    ASSERT_TRUE(store.available());
    std::vector<std::string> copies;
    for (const auto& entry : std::filesystem::directory_iterator(paths.folder)) {
        const std::string name = entry.path().filename().string();
        if (name.rfind("history.sqlite3.corrupt-", 0) == 0)
            copies.push_back(entry.path().string());
    }
    ASSERT_EQ(copies.size(), 1u);
    EXPECT_EQ(readFile(copies[0]), garbage);

    const RunRecord run = runScript(store, "after", "echo new");
    store.flush();
    EXPECT_EQ(readFile(run.outputPath), "new\n");
    EXPECT_EQ(HistoryReader(paths).run(run.id)->ending, RunEnding::Exited);
}

TEST_F(History, ReaderOrdersAndLimits) {
    const HistoryPaths paths = homePaths();
    EXPECT_TRUE(HistoryReader(paths).recentRuns(10).empty()); // no history yet: nothing made
    EXPECT_FALSE(fileExists(paths.folder));
    HistoryStore store(paths);
    for (const char* task : {"a", "b", "a", "c", "a"})
        runScript(store, task, "exit 0");
    store.flush();
    HistoryReader reader(paths);
    const std::vector<RunRecord> recent = reader.recentRuns(3);
    ASSERT_EQ(recent.size(), 3u);
    EXPECT_EQ(recent[0].task, "a");
    EXPECT_EQ(recent[1].task, "c");
    EXPECT_GT(recent[0].id, recent[1].id);
    EXPECT_EQ(reader.runsOfTask("a", 2).size(), 2u);
    const auto last = reader.lastRunPerTask();
    ASSERT_EQ(last.size(), 3u);
    EXPECT_EQ(last.at("a").id, recent[0].id);
}
