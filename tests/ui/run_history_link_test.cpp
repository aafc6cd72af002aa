// The engine's run observer over the real history store and the failure notices: each report
// becomes a row (trigger, due minute, texts from cp932), the failed ones a notice while
// NotifyOnFailure is on as the settings say now, and closing writes what is still queued.

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
using StoredTrigger = history::RunTrigger;

namespace {

struct FakeSink : NoticeSink {
    bool available() override { return true; }
    void show(const Notice& notice) override { shown.push_back(notice.title.toStdString()); }
    std::vector<std::string> shown;
};

constexpr int64_t kDue = 1715331600000; // 2024-05-10 09:00 UTC
constexpr int64_t kEnd = kDue + 61234;

} // namespace

TEST(RunHistoryLink, ReportsBecomeRowsAndFailuresNotices) {
    application();
    FakeClock clock(2024, 5, 10, 9, 0, 0);
    auto sink = std::make_unique<FakeSink>();
    const std::vector<std::string>& shown = sink->shown;
    std::vector<std::unique_ptr<NoticeSink>> sinks;
    sinks.push_back(std::move(sink));
    FailureNotifier notifier(std::move(sinks));
    const history::HistoryPaths paths = *history::userHistoryPaths();
    auto link =
        std::make_unique<RunHistoryLink>(std::make_unique<history::HistoryStore>(paths), &notifier);

    const struct {
        std::string nameCp932;
        RunTrigger trigger;
        int64_t dueMs;
        const char* failure; // a failed start with this reason, else it ends as below
        RunEnd how;
        int value;
        std::string task;
        StoredTrigger storedTrigger;
        std::optional<int64_t> storedDue;
        RunEnding ending;
        const char* notice;
    } cases[] = {
        {cp932("バックアップ"), RunTrigger::Scheduled, kDue, nullptr, RunEnd::Exited, 0,
         "バックアップ", StoredTrigger::Scheduled, kDue, RunEnding::Exited, nullptr},
        {"daily", RunTrigger::Manual, 0, nullptr, RunEnd::Exited, 3, "daily", StoredTrigger::Manual,
         std::nullopt, RunEnding::Exited, "タスク「daily」: 異常終了 (3)"},
        {"x\xFDy", RunTrigger::CatchUp, kDue - 86400000, nullptr, RunEnd::Signalled, SIGSEGV,
         "x\uFFFDy", StoredTrigger::CatchUp, kDue - 86400000, RunEnding::Signal,
         "タスク「x\uFFFDy」: シグナル (SIGSEGV)"},
        {"daily", RunTrigger::Scheduled, kDue, nullptr, RunEnd::Killed, SIGKILL, "daily",
         StoredTrigger::Scheduled, kDue, RunEnding::Killed, nullptr},
        {cp932("ない"), RunTrigger::Scheduled, kDue, "No such file or directory", RunEnd::Exited, 0,
         "ない", StoredTrigger::Scheduled, kDue, RunEnding::Failed,
         "タスク「ない」: 起動失敗: No such file or directory"},
    };
    std::vector<int64_t> ids;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.task + " " + std::string(history::endingWord(c.ending)));
        const RunPreparation prepared = link->prepareRun(
            {c.nameCp932, cp932("/home/u/書類/job.sh"), cp932("/bin/sh"), c.trigger, c.dueMs});
        ASSERT_GT(prepared.runId, 0);
        ASSERT_GT(prepared.outputFd, 2);
        ::close(prepared.outputFd);
        ids.push_back(prepared.runId);
        const size_t before = shown.size();
        if (c.failure) {
            link->runFailed(prepared.runId, kDue, c.failure, "ENOENT");
        } else {
            link->runStarted(prepared.runId, 4242, kDue);
            link->runEnded(prepared.runId, c.how, c.value, kEnd);
        }
        EXPECT_EQ(shown.size(), before); // posted to the window thread, never shown here
        QApplication::processEvents();
        ASSERT_EQ(shown.size(), before + (c.notice ? 1 : 0));
        if (c.notice) {
            EXPECT_EQ(shown.back(), c.notice);
        }
    }

    // Turned off in the settings while running: the next failure is not told.
    ASSERT_TRUE(writeNotifyOnFailure(false));
    const RunPreparation off = link->prepareRun({"daily", "", "", RunTrigger::Manual, 0});
    ::close(off.outputFd);
    link->runFailed(off.runId, kDue, "Permission denied", "EACCES");
    QApplication::processEvents();
    EXPECT_EQ(shown.size(), 3u);

    link.reset(); // nothing was waited for: the close writes what is queued
    history::HistoryReader reader(paths);
    for (size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(cases[i].task);
        const std::optional<history::RunRecord> run = reader.run(ids[i]);
        ASSERT_TRUE(run);
        EXPECT_EQ(run->task, cases[i].task);
        EXPECT_EQ(run->registeredFile, "/home/u/書類/job.sh");
        EXPECT_EQ(run->trigger, cases[i].storedTrigger);
        EXPECT_EQ(run->dueMs, cases[i].storedDue);
        EXPECT_EQ(run->startMs, platform::epochMsNow()); // the engine's clock
        EXPECT_EQ(run->ending, cases[i].ending);
        EXPECT_EQ(run->error, cases[i].failure ? cases[i].failure : "");
        if (!cases[i].failure) {
            EXPECT_EQ(run->endMs, kEnd);
        }
    }
}
