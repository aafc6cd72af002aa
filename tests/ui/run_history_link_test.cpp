// The engine's run observer over the real history store and the failure notices: how each
// report becomes a row (trigger, due minute, texts from cp932), which finished runs are told,
// that the NotifyOnFailure setting counts as it is now, and that closing writes what is queued.

#include "ui_harness.h"

#include "app/run_history_link.h"
#include "history/history_reader.h"
#include "store/history_settings.h"
#include "support/fake_clock.h"
#include "ui/failure_notifier.h"

#include <csignal>
#include <gtest/gtest.h>
#include <unistd.h>

using namespace testing_support;
using namespace ui_testing;
using history::RunEnding;

namespace {

class FakeSink : public NoticeSink {
public:
    bool available() override { return true; }
    void show(const Notice& notice) override { shown.push_back(notice.title.toStdString()); }
    std::vector<std::string> shown;
};

constexpr int64_t kDue = 1715331600000; // 2024-05-10 09:00 UTC
constexpr int64_t kEnd = kDue + 61234;

struct Case {
    const char* what;
    std::string nameCp932;
    RunTrigger trigger;
    int64_t dueMs;
    const char* failure; // a failed start with this reason; else the run ends as below
    RunEnd how;
    int value;
    // Expected
    std::string task;
    history::RunTrigger storedTrigger;
    std::optional<int64_t> storedDue;
    RunEnding ending;
    const char* notice; // nullptr: none
};

} // namespace

TEST(RunHistoryLink, ReportsBecomeRowsAndFailuresNotices) {
    application();
    FakeClock clock(2024, 5, 10, 9, 0, 0);
    auto sinkOwner = std::make_unique<FakeSink>();
    FakeSink* sink = sinkOwner.get();
    std::vector<std::unique_ptr<NoticeSink>> sinks;
    sinks.push_back(std::move(sinkOwner));
    FailureNotifier notifier(std::move(sinks)); // NotifyOnFailure, read at each notice
    const history::HistoryPaths paths = *history::userHistoryPaths();
    auto link =
        std::make_unique<RunHistoryLink>(std::make_unique<history::HistoryStore>(paths), &notifier);

    const Case cases[] = {
        {"scheduled, exit 0", cp932("バックアップ"), RunTrigger::Scheduled, kDue, nullptr,
         RunEnd::Exited, 0, "バックアップ", history::RunTrigger::Scheduled, kDue, RunEnding::Exited,
         nullptr},
        {"run now, exit 3", "daily", RunTrigger::Manual, 0, nullptr, RunEnd::Exited, 3, "daily",
         history::RunTrigger::Manual, std::nullopt, RunEnding::Exited,
         "タスク「daily」: 異常終了 (3)"},
        {"catch-up, a byte no cp932, SIGSEGV", "x\xFDy", RunTrigger::CatchUp, kDue - 86400000,
         nullptr, RunEnd::Signalled, SIGSEGV, "x\uFFFDy", history::RunTrigger::CatchUp,
         kDue - 86400000, RunEnding::Signal, "タスク「x\uFFFDy」: シグナル (SIGSEGV)"},
        {"force-terminate", "daily", RunTrigger::Scheduled, kDue, nullptr, RunEnd::Killed, SIGKILL,
         "daily", history::RunTrigger::Scheduled, kDue, RunEnding::Killed, nullptr},
        {"failed start", cp932("ない"), RunTrigger::Scheduled, kDue, "No such file or directory",
         RunEnd::Exited, 0, "ない", history::RunTrigger::Scheduled, kDue, RunEnding::Failed,
         "タスク「ない」: 起動失敗: No such file or directory"},
    };
    std::vector<int64_t> ids;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        RunAttempt attempt;
        attempt.taskName = c.nameCp932;
        attempt.registeredFile = cp932("/home/u/書類/job.sh");
        attempt.executableFile = attempt.registeredFile;
        attempt.trigger = c.trigger;
        attempt.dueMs = c.dueMs;
        const RunPreparation prepared = link->prepareRun(attempt);
        ASSERT_GT(prepared.runId, 0);
        ASSERT_GT(prepared.outputFd, 2);
        ::close(prepared.outputFd);
        ids.push_back(prepared.runId);
        const size_t before = sink->shown.size();
        if (c.failure) {
            link->runFailed(prepared.runId, kDue, c.failure);
        } else {
            link->runStarted(prepared.runId, 4242, kDue);
            link->runEnded(prepared.runId, c.how, c.value, kEnd);
        }
        // Posted to the window thread, never shown inside the engine's call.
        EXPECT_EQ(sink->shown.size(), before);
        if (c.notice) {
            ASSERT_TRUE(waitFor([&] { return sink->shown.size() == before + 1; }));
            EXPECT_EQ(sink->shown.back(), c.notice);
        } else {
            QApplication::processEvents();
            EXPECT_EQ(sink->shown.size(), before);
        }
    }

    // The setting is read as it is when the notice comes, as the settings dialog leaves it.
    ASSERT_TRUE(writeNotifyOnFailure(false));
    RunAttempt again;
    again.taskName = "daily";
    const RunPreparation off = link->prepareRun(again);
    ::close(off.outputFd);
    link->runStarted(off.runId, 4243, kDue);
    link->runEnded(off.runId, RunEnd::Exited, 1, kEnd);
    QApplication::processEvents();
    ASSERT_TRUE(writeNotifyOnFailure(true));
    QApplication::processEvents();
    EXPECT_EQ(sink->shown.size(), 3u);

    // Closing writes every run still queued: nothing is waited for beforehand.
    link.reset();
    history::HistoryReader reader(paths);
    for (size_t i = 0; i < std::size(cases); ++i) {
        const Case& c = cases[i];
        SCOPED_TRACE(c.what);
        const std::optional<history::RunRecord> run = reader.run(ids[i]);
        ASSERT_TRUE(run);
        EXPECT_EQ(run->task, c.task);
        EXPECT_EQ(run->registeredFile, "/home/u/書類/job.sh");
        EXPECT_EQ(run->program, "/home/u/書類/job.sh");
        EXPECT_EQ(run->trigger, c.storedTrigger);
        EXPECT_EQ(run->dueMs, c.storedDue);
        EXPECT_EQ(run->ending, c.ending);
        EXPECT_EQ(run->startMs, platform::epochMsNow()); // the engine's clock
        if (c.failure) {
            EXPECT_FALSE(run->launched);
            EXPECT_EQ(run->error, c.failure);
            continue;
        }
        EXPECT_EQ(run->pid, 4242);
        EXPECT_EQ(run->endMs, kEnd);
        if (c.how == RunEnd::Exited)
            EXPECT_EQ(run->exitCode, c.value);
        else
            EXPECT_EQ(run->signal, c.value);
    }
}
