// Single passes of the scheduler on a fake clock: file states, the due test, starts, writes.

#include "engine/calendar.h"
#include "engine/workers.h"
#include "engine_test_helpers.h"
#include "recording_observer.h"
#include "store/fields.h"
#include "store/task_file.h"
#include "store/trace.h"
#include "support/fake_clock.h"
#include "support/task_builders.h"
#include "support/temp_home.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <gtest/gtest.h>
#include <memory>
#include <mutex>

using namespace testing_support;

namespace {

class SchedulerTest : public ::testing::Test {
protected:
    void SetUp() override {
        ctx_ = engine_test::workerContext(home_.documents(), posts_);
        program_ = home_.scratch() + "/quick job.sh";
        writeFile(program_, "#!/bin/sh\nexit 0\n", 0755);
        document_ = home_.scratch() + "/doc.txt";
        writeFile(document_, "text\n");
        viewer_ = home_.scratch() + "/viewer";
        writeFile(viewer_, "#!/bin/sh\nexit 0\n", 0755);
    }
    void TearDown() override {
        for (TaskRecord& task : ctx_->tasks)
            EXPECT_TRUE(engine_test::endTaskProcess(task));
        EXPECT_TRUE(engine_test::zombieChildren().empty());
    }

    TaskDraft due(const std::string& name) const {
        TaskDraft draft;
        draft.name = name;
        draft.runTime = "09:00";
        draft.registeredFile = program_;
        draft.nextRun = "2024/05/10";
        return draft;
    }
    TaskRecord& add(const TaskDraft& draft) {
        ctx_->tasks.push_back(makeTask(draft));
        ctx_->taskCount = static_cast<int32_t>(ctx_->tasks.size());
        return ctx_->tasks.back();
    }
    bool pass() { return MySchedulerPass(*ctx_); }
    size_t updatesPosted() const {
        size_t n = 0;
        for (const auto& post : posts_.posts())
            n += post == std::make_pair(WM_MYTASKUPDATE, 0) ? 1 : 0;
        return n;
    }
    size_t postsSeen() const { return posts_.posts().size(); }
    std::vector<TaskRecord> taskFile() const { return readTaskFile(ctx_->taskFilePath); }

    TempHome home_;
    FakeClock clock_{2024, 5, 10, 8, 59, 59}; // a Friday
    engine_test::PostLog posts_;
    std::unique_ptr<AppContext> ctx_;
    std::string program_, document_, viewer_;
};

TEST_F(SchedulerTest, TaskBecomesDueAtSecondZeroOfItsMinute) {
    struct Case {
        int hour, minute, second;
        std::string nextRun;
        bool starts;
    };
    for (const Case& c : std::vector<Case>{{8, 59, 59, "2024/05/10", false},
                                           {9, 0, 0, "2024/05/10", true},
                                           {9, 30, 0, "2024/05/10", true},
                                           {9, 0, 0, "2024/05/11", false},
                                           {9, 0, 0, "", false}}) {
        SCOPED_TRACE(testing::Message()
                     << c.hour << ":" << c.minute << ":" << c.second << " " << c.nextRun);
        for (TaskRecord& task : ctx_->tasks)
            engine_test::endTaskProcess(task);
        ctx_->tasks.clear();
        TaskDraft draft = due("daily");
        draft.nextRun = c.nextRun;
        add(draft);
        clock_.setTime(c.hour, c.minute, c.second);
        const size_t before = updatesPosted();

        EXPECT_EQ(pass(), c.starts);

        const TaskRecord& task = ctx_->tasks[0];
        EXPECT_EQ(task.state, c.starts ? StateRunning : StateWaiting);
        EXPECT_EQ(updatesPosted() - before, c.starts ? 1u : 0u);
        if (c.starts) {
            EXPECT_EQ(task.launchResult, LaunchStarted);
            EXPECT_EQ(fieldString(task.lastRunText), "2024/05/10");
            EXPECT_EQ(fieldString(task.nextRunText), "2024/05/11");
            EXPECT_EQ(task.nextRunDate, 20240511);
            const std::vector<TaskRecord> written = taskFile();
            ASSERT_EQ(written.size(), 1u);
            EXPECT_EQ(std::memcmp(&written[0], &task, sizeof task), 0);
        } else {
            EXPECT_EQ(task.launchResult, LaunchNever);
            EXPECT_EQ(fieldString(task.nextRunText), c.nextRun);
        }
    }
}

// Copies the task file as the first start is recorded: what a crash after the pass's first
// write, while its processes are being made, leaves on disk.
struct CopyAtFirstStart : engine_test::RecordingObserver {
    std::string from;
    std::string to;
    void runStarted(int64_t runId, int pid, int64_t startMs) override {
        if (runId == 1)
            writeFile(to, readFile(from));
        RecordingObserver::runStarted(runId, pid, startMs);
    }
};

TEST_F(SchedulerTest, APassWritesOnceBeforeItsStartsAndOnceAfterSoACrashStartsNothingTwice) {
    const std::string trace = home_.scratch() + "/trace.log";
    setenv("CHORELIN_TRACE", trace.c_str(), 1);
    resetTraceSink();
    add(due("first"));
    add(due("second"));
    ASSERT_EQ(MyTaskWrite(*ctx_, ctx_->taskFilePath), 0);
    const std::string beforeThePass = readFile(ctx_->taskFilePath);
    CopyAtFirstStart observer;
    observer.from = ctx_->taskFilePath;
    observer.to = home_.scratch() + "/after-first-write.tsk";
    ctx_->runObserver = &observer;
    clock_.setTime(9, 0, 5);

    EXPECT_TRUE(pass());

    std::vector<std::string> order;
    for (const std::string& line : engine_test::readLines(trace)) {
        if (line.rfind("タスク（", 0) == 0 || line == "MyTaskWrite() Start")
            order.push_back(line);
    }
    EXPECT_EQ(order,
              (std::vector<std::string>{"MyTaskWrite() Start", "タスク（first）を実行します。",
                                        "タスク（second）を実行します。", "MyTaskWrite() Start",
                                        "MyTaskWrite() Start"}));
    for (const TaskRecord& record : taskFile()) {
        EXPECT_EQ(record.state, StateRunning);
        EXPECT_EQ(record.launchResult, LaunchStarted);
        EXPECT_EQ(fieldString(record.nextRunText), "2024/05/11");
    }

    // The next start, in the same minute, from what a crash left: the table before the pass
    // starts both again; the first write already moved both on, so nothing starts twice.
    struct Crash {
        const char* label;
        std::string file;
        size_t starts;
    };
    const std::vector<Crash> crashes = {
        {"before the first write", beforeThePass, 2},
        {"after the first write", readFile(observer.to), 0},
    };
    for (const Crash& c : crashes) {
        SCOPED_TRACE(c.label);
        const std::string folder = home_.scratch() + "/" + c.label;
        std::filesystem::create_directories(folder);
        engine_test::PostLog posts;
        auto restarted = engine_test::workerContext(folder, posts);
        writeFile(restarted->taskFilePath, c.file);
        ASSERT_TRUE(MyTaskLoadAtStartup(*restarted));
        engine_test::RecordingObserver starts;
        restarted->runObserver = &starts;
        MySchedulerPass(*restarted);
        EXPECT_EQ(starts.calls().size(), 2 * c.starts); // prepared, then started
        for (TaskRecord& task : restarted->tasks) {
            EXPECT_EQ(fieldString(task.nextRunText), "2024/05/11");
            EXPECT_TRUE(engine_test::endTaskProcess(task));
        }
    }
}

struct FileCase {
    const char* label;
    int state;
    bool registeredThere;
    bool executableThere;
    bool runsItself;
    int expected;
};

TEST_F(SchedulerTest, FileStatesFollowTheFiles) {
    const std::vector<FileCase> cases = {
        {"waiting, all there", StateWaiting, true, true, false, StateWaiting},
        {"waiting, document gone", StateWaiting, false, true, false, StateNoRegisteredFile},
        {"waiting, program gone", StateWaiting, true, false, false, StateNoExecutable},
        {"waiting, both gone", StateWaiting, false, false, false, StateNoRegisteredFile},
        {"no document, back", StateNoRegisteredFile, true, true, false, StateWaiting},
        {"no document, back but no program", StateNoRegisteredFile, true, false, false,
         StateNoExecutable},
        {"no document, still gone, program gone", StateNoRegisteredFile, false, false, false,
         StateNoExecutable},
        {"no document, still gone", StateNoRegisteredFile, false, true, false,
         StateNoRegisteredFile},
        {"no program, back", StateNoExecutable, true, true, false, StateWaiting},
        {"no program, document gone too", StateNoExecutable, false, false, false,
         StateNoExecutable},
        {"script run directly, no program, gone", StateNoExecutable, false, false, true,
         StateNoRegisteredFile},
        {"no program, still gone", StateNoExecutable, true, false, false, StateNoExecutable},
        {"script run directly, gone", StateWaiting, false, false, true, StateNoRegisteredFile},
        {"disabled, both gone", StateDisabled, false, false, false, StateDisabled},
        {"completed, both gone", StateCompleted, false, false, false, StateCompleted},
        {"running, both gone", StateRunning, false, false, false, StateRunning},
    };
    for (const FileCase& c : cases) {
        SCOPED_TRACE(c.label);
        ctx_->tasks.clear();
        TaskDraft draft;
        draft.registeredFile = c.runsItself ? program_ : document_;
        draft.executableFile = c.runsItself ? "" : viewer_;
        draft.nextRun = "2024/05/11";
        draft.state = c.state;
        add(draft);
        const std::string registered = c.runsItself ? program_ : document_;
        const std::string aside = home_.scratch() + "/aside";
        if (!c.registeredThere)
            std::rename(registered.c_str(), (aside + "-r").c_str());
        if (!c.executableThere && !c.runsItself)
            std::rename(viewer_.c_str(), (aside + "-e").c_str());
        const size_t before = updatesPosted();

        const bool changed = pass();

        EXPECT_EQ(ctx_->tasks[0].state, c.expected);
        EXPECT_EQ(changed, c.expected != c.state);
        EXPECT_EQ(updatesPosted() - before, c.expected != c.state ? 1u : 0u);
        std::rename((aside + "-r").c_str(), registered.c_str());
        std::rename((aside + "-e").c_str(), viewer_.c_str());
    }
    // File-state changes alone do not rewrite the task file.
    EXPECT_TRUE(taskFile().empty());
}

TEST_F(SchedulerTest, BothFilesGoneSettlesInsteadOfSwappingStates) {
    TaskDraft draft;
    draft.registeredFile = document_;
    draft.executableFile = viewer_;
    draft.nextRun = "2024/05/11";
    add(draft);
    std::remove(document_.c_str());
    std::remove(viewer_.c_str());
    pass();
    pass();
    const size_t settled = updatesPosted();
    for (int i = 0; i < 4; ++i)
        EXPECT_FALSE(pass());
    EXPECT_EQ(ctx_->tasks[0].state, StateNoExecutable);
    EXPECT_EQ(updatesPosted(), settled);
}

TEST_F(SchedulerTest, DeletedDocumentIsNoticedAndItsReturnToo) {
    TaskDraft draft;
    draft.registeredFile = document_;
    draft.executableFile = viewer_;
    draft.nextRun = "2024/05/11";
    add(draft);
    EXPECT_FALSE(pass());

    ASSERT_EQ(std::remove(document_.c_str()), 0);
    EXPECT_TRUE(pass());
    EXPECT_EQ(ctx_->tasks[0].state, StateNoRegisteredFile);

    writeFile(document_, "back\n");
    EXPECT_TRUE(pass());
    EXPECT_EQ(ctx_->tasks[0].state, StateWaiting);
    EXPECT_EQ(updatesPosted(), 2u);
}

TEST_F(SchedulerTest, TaskWithAMissingDocumentStillStartsWhenDue) {
    TaskDraft draft = due("missing document");
    draft.registeredFile = home_.scratch() + "/gone.txt";
    draft.executableFile = viewer_;
    draft.state = StateNoRegisteredFile;
    add(draft);
    clock_.setTime(9, 0, 0);

    EXPECT_TRUE(pass());

    EXPECT_EQ(ctx_->tasks[0].state, StateRunning);
    EXPECT_EQ(fieldString(ctx_->tasks[0].lastRunText), "2024/05/10");
}

TEST_F(SchedulerTest, TaskWhoseProgramCannotStartCountsTheDayAsRun) {
    TaskDraft draft = due("broken");
    draft.registeredFile = document_;
    draft.executableFile = home_.scratch() + "/no program";
    draft.state = StateNoExecutable;
    add(draft);
    clock_.setTime(9, 0, 0);

    EXPECT_TRUE(pass());

    const TaskRecord& task = ctx_->tasks[0];
    EXPECT_EQ(task.state, StateNoExecutable);
    EXPECT_EQ(task.launchResult, LaunchFailed);
    EXPECT_EQ(fieldString(task.lastRunText), "2024/05/10");
    EXPECT_EQ(fieldString(task.nextRunText), "2024/05/11");
    EXPECT_EQ(taskFile().size(), 1u);
}

TEST_F(SchedulerTest, TasksThatMayNotStartAreLeftAlone) {
    for (int state : {StateDisabled, StateCompleted}) {
        TaskDraft draft = due("idle");
        draft.state = state;
        add(draft);
    }
    // Waiting in its record, but a process of the task is still held.
    add(due("still holding")).processInfo = ProcessBlock{999, 0, 12345, 0};
    clock_.setTime(9, 0, 0);

    EXPECT_FALSE(pass());

    const std::vector<int> expected = {StateDisabled, StateCompleted, StateWaiting};
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(ctx_->tasks[i].state, expected[i]);
        EXPECT_EQ(ctx_->tasks[i].launchResult, LaunchNever);
    }
    EXPECT_EQ(ctx_->tasks[2].processInfo.processHandle, 999);
    ctx_->tasks[2].processInfo = ProcessBlock{};
    EXPECT_TRUE(taskFile().empty());
}

TEST_F(SchedulerTest, NoTasksChangeNothingAndPostNothing) {
    for (int i = 0; i < 3; ++i)
        EXPECT_FALSE(pass());
    EXPECT_EQ(postsSeen(), 0u);
    EXPECT_TRUE(taskFile().empty());
}

TEST_F(SchedulerTest, MissedNextRunIsRecomputedOnceAndNotMadeUp) {
    struct Case {
        int hour;
        std::string expectedNextRun;
    };
    for (const Case& c : std::vector<Case>{{10, "2024/05/11"}, {8, "2024/05/10"}}) {
        SCOPED_TRACE(c.hour);
        ctx_->tasks.clear();
        writeFile(ctx_->taskFilePath, "", 0600);
        TaskDraft draft = due("missed");
        draft.nextRun = "2024/05/07";
        add(draft);
        clock_.setTime(c.hour, 0, 0);
        const size_t before = updatesPosted();

        EXPECT_TRUE(pass());

        const TaskRecord& task = ctx_->tasks[0];
        EXPECT_EQ(fieldString(task.nextRunText), c.expectedNextRun);
        EXPECT_EQ(task.state, StateWaiting);
        EXPECT_EQ(task.launchResult, LaunchNever);
        EXPECT_EQ(task.lastRunDate, 0);
        ASSERT_EQ(taskFile().size(), 1u);
        EXPECT_EQ(fieldString(taskFile()[0].nextRunText), c.expectedNextRun);
        EXPECT_EQ(updatesPosted() - before, 1u);

        // Later passes find nothing to recompute and write nothing.
        writeFile(ctx_->taskFilePath, "", 0600);
        EXPECT_FALSE(pass());
        EXPECT_FALSE(pass());
        EXPECT_TRUE(taskFile().empty());
        EXPECT_EQ(updatesPosted() - before, 1u);
    }
    // Recomputed to today before its minute, the task then runs at its minute as usual.
    clock_.setTime(9, 0, 0);
    EXPECT_TRUE(pass());
    EXPECT_EQ(ctx_->tasks[0].state, StateRunning);
}

TEST_F(SchedulerTest, MissedRunOfAScheduleThatMatchesNoDayCostsNoWrites) {
    TaskDraft draft = due("no day");
    draft.schedule = ""; // chosen days with no day chosen
    draft.nextRun = "2024/05/07";
    add(draft);
    TaskDraft disabled = due("disabled");
    disabled.nextRun = "2024/05/07";
    disabled.state = StateDisabled;
    add(disabled);
    clock_.setTime(10, 0, 0);

    for (int i = 0; i < 3; ++i)
        EXPECT_FALSE(pass());

    EXPECT_EQ(fieldString(ctx_->tasks[0].nextRunText), "2024/05/07");
    EXPECT_EQ(fieldString(ctx_->tasks[1].nextRunText), "2024/05/07");
    EXPECT_TRUE(taskFile().empty());
    EXPECT_EQ(postsSeen(), 0u);
}

} // namespace
