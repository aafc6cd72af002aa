// The two workers on Windows: due tasks whose programs are batch files in a folder with a
// Japanese name are started, their ends seen and the task table updated.

#include "engine/calendar.h"
#include "engine/launch.h"
#include "engine/workers.h"
#include "platform/text_codec.h"
#include "store/fields.h"
#include "support/fake_clock.h"
#include "support/task_builders.h"
#include "support/temp_home.h"
#include "support/win32_test_paths.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <mutex>

using namespace testing_support;

namespace {

class WorkersOnWindows : public ::testing::Test {
protected:
    void SetUp() override {
        MyCalMake(ctx_);
        const std::string taskFile = home_.documents() + "/tasks.tsk";
        writeFile(taskFile, "");
        std::snprintf(ctx_.taskFilePath, sizeof ctx_.taskFilePath, "%s", taskFile.c_str());
        ctx_.viewWindow = [this](int message, int row) {
            std::lock_guard<std::mutex> guard(postMutex_);
            if (message == WM_MYTASKEND)
                ended_.push_back(row);
        };
        makeDirs(folder_);
    }
    void TearDown() override {
        MyStopWorkers(ctx_);
        for (TaskRecord& task : ctx_.tasks)
            if (task.processInfo.processHandle != 0)
                MyTerminateTaskProcess(ctx_, static_cast<int>(&task - ctx_.tasks.data()));
    }
    // A batch file in the Japanese-named folder; its path as a task record holds it (cp932).
    std::string batch(const std::string& name, const std::string& body) {
        const std::string path = folder_ + "/" + name;
        writeFile(path, "@echo off\r\n" + body + "\r\n");
        return windowsPath(path);
    }
    void add(const std::string& name, const std::string& program, const std::string& schedule,
             const std::string& nextRun) {
        TaskDraft draft;
        draft.name = name;
        draft.schedule = schedule;
        draft.registeredFile = program;
        draft.nextRun = nextRun;
        ctx_.tasks.push_back(makeTask(draft));
        ctx_.taskCount = static_cast<int32_t>(ctx_.tasks.size());
    }
    void startWorkers() {
        ASSERT_TRUE(MyCreateWorkers(ctx_));
        ctx_.schedulerRunEvent.set();
        ctx_.watcherRunEvent.set();
    }
    std::vector<int> ended() {
        std::lock_guard<std::mutex> guard(postMutex_);
        return ended_;
    }
    TaskRecord task(int index) {
        TaskLockGuard lock(ctx_.taskLock);
        return ctx_.tasks[static_cast<size_t>(index)];
    }

    TempHome home_;
    FakeClock clock_{2024, 5, 10, 9, 0, 0};
    AppContext ctx_;
    std::string folder_ = home_.scratch() + "/書類～表";
    std::mutex postMutex_;
    std::vector<int> ended_;
};

TEST_F(WorkersOnWindows, DueBatchFilesRunAndTheirEndsAreRecorded) {
    const std::string marker = home_.scratch() + "/ran";
    add("毎日のタスク", batch("daily.bat", "echo daily>> \"" + windowsPath(marker) + "\""), "毎日",
        "2024/05/10");
    add("１回のタスク", batch("once.bat", "echo once>> \"" + windowsPath(marker) + "\""),
        "１回のみ", "2024/05/10");
    add("明日のタスク", batch("later.bat", "echo later>> \"" + windowsPath(marker) + "\""), "毎日",
        "2024/05/11");
    startWorkers();

    ASSERT_TRUE(eventually([&] { return ended().size() == 2; })) << ended().size();
    const TaskRecord daily = task(0);
    const TaskRecord once = task(1);
    EXPECT_EQ(daily.state, StateWaiting);
    EXPECT_EQ(once.state, StateCompleted);
    for (const TaskRecord* t : {&daily, &once}) {
        EXPECT_EQ(t->launchResult, LaunchStarted);
        EXPECT_EQ(t->processInfo.processHandle, 0);
        EXPECT_EQ(fieldString(t->lastRunText), "2024/05/10");
    }
    EXPECT_EQ(fieldString(daily.nextRunText), "2024/05/11");
    EXPECT_EQ(task(2).launchResult, LaunchNever) << "not due today";
    const std::string ran = readFile(marker);
    EXPECT_NE(ran.find("daily"), std::string::npos) << ran;
    EXPECT_NE(ran.find("once"), std::string::npos) << ran;
    EXPECT_EQ(ran.find("later"), std::string::npos) << ran;
}

} // namespace
