// A write that fails midway, a process killed while it rewrites the task file, and the task file
// deleted while the program runs: the file on disk is always one whole table the program wrote.

#include "engine/workers.h"
#include "platform/files.h"
#include "reliability_helpers.h"
#include "support/fake_clock.h"

#include <chrono>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <gtest/gtest.h>
#include <random>
#include <sys/wait.h>
#include <unistd.h>

using namespace reliability;
using testing_support::makeTask;

namespace {

std::vector<TaskRecord> table(const std::string& prefix, int count, const std::string& program) {
    std::vector<TaskRecord> records;
    for (int i = 0; i < count; ++i) {
        TaskDraft draft;
        draft.name = prefix + std::to_string(i);
        draft.registeredFile = program;
        records.push_back(makeTask(draft));
    }
    return records;
}

std::string bytesOf(const std::vector<TaskRecord>& records) {
    return std::string(reinterpret_cast<const char*>(records.data()),
                       records.size() * sizeof(TaskRecord));
}

// Temporary files that an interrupted replacement left beside the task file.
int leftovers(const std::string& folder) {
    int n = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        n += entry.path().filename().string().find(".tmp-") != std::string::npos;
    return n;
}

class WriteFaults : public ::testing::Test {
protected:
    Scene scene;
    std::string program = scene.script("job.sh", "exit 0\n");
    void TearDown() override { platform::setWriteFaultAfter(-1); }
};

TEST_F(WriteFaults, FullDiskLeavesThePreviousFileWhole) {
    const std::vector<TaskRecord> before = table("old", 3, program);
    testing_support::writeTaskFile(scene.taskFile, before);
    scene.setTable(table("new", 5, program));
    // Fails at the start, inside the first record, on a record boundary and one byte short.
    for (long long after : {0LL, 1LL, 700LL, 1420LL * 2, 1420LL * 5 - 1}) {
        SCOPED_TRACE(after);
        platform::setWriteFaultAfter(after);
        EXPECT_EQ(MyTaskWrite(*scene.ctx, scene.ctx->taskFilePath), -6);
        EXPECT_EQ(testing_support::readFile(scene.taskFile), bytesOf(before));
        EXPECT_EQ(leftovers(scene.folder), 0);
        EXPECT_EQ(scene.ctx->taskCount, 5); // the table in memory is untouched
    }
    platform::setWriteFaultAfter(-1);
    ASSERT_EQ(MyTaskWrite(*scene.ctx, scene.ctx->taskFilePath), 0);
    EXPECT_EQ(testing_support::readFile(scene.taskFile), bytesOf(scene.ctx->tasks));
}

TEST_F(WriteFaults, SchedulerKeepsRunningThroughAFullDisk) {
    testing_support::FakeClock clock(2024, 5, 10, 9, 0, 0);
    testing_support::writeFile(scene.taskFile, "", 0600);
    TaskDraft draft;
    draft.registeredFile = program;
    draft.nextRun = "2024/05/10";
    scene.setTable({makeTask(draft)});
    const std::string before = testing_support::readFile(scene.taskFile);
    platform::setWriteFaultAfter(10);
    EXPECT_TRUE(MySchedulerPass(*scene.ctx));
    // The start is recorded in memory; the file keeps what it held.
    EXPECT_EQ(scene.ctx->tasks[0].state, StateRunning);
    EXPECT_EQ(fieldView(scene.ctx->tasks[0].nextRunText), "2024/05/11");
    EXPECT_EQ(testing_support::readFile(scene.taskFile), before);
    platform::setWriteFaultAfter(-1);
    endAllProcesses(*scene.ctx);
    EXPECT_TRUE(engine_test::zombieChildren().empty());
}

// A child rewrites the task file in a loop with two tables in turn and is killed at a random
// moment; whatever moment it was, the file is one of the tables, whole.
TEST_F(WriteFaults, KilledWriterNeverLeavesAPartialFile) {
    const std::vector<TaskRecord> a = table("a", 3, program);
    const std::vector<TaskRecord> b = table("b", 7, program);
    const std::string aBytes = bytesOf(a), bBytes = bytesOf(b);
    testing_support::writeTaskFile(scene.taskFile, a);

    std::mt19937 random(20240510);
    std::uniform_int_distribution<int> delayUs(0, 15000);
    constexpr int kRounds = 200;
    int sawA = 0, sawB = 0;
    for (int round = 0; round < kRounds; ++round) {
        int ready[2];
        ASSERT_EQ(::pipe(ready), 0);
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            ::close(ready[0]);
            AppContext& ctx = *scene.ctx;
            for (long n = 0;; ++n) {
                ctx.tasks = n % 2 == 0 ? b : a;
                ctx.taskCount = static_cast<int32_t>(ctx.tasks.size());
                MyTaskWrite(ctx, ctx.taskFilePath);
                if (n == 0) {
                    const char one = 1;
                    (void)!::write(ready[1], &one, 1); // at least one write is under way
                }
            }
        }
        ::close(ready[1]);
        char one;
        ASSERT_EQ(::read(ready[0], &one, 1), 1);
        ::close(ready[0]);
        std::this_thread::sleep_for(std::chrono::microseconds(delayUs(random)));
        ASSERT_EQ(::kill(child, SIGKILL), 0);
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFSIGNALED(status));

        const std::string now = testing_support::readFile(scene.taskFile);
        ASSERT_EQ(now.size() % sizeof(TaskRecord), 0u) << "round " << round;
        ASSERT_TRUE(now == aBytes || now == bBytes) << "round " << round;
        sawA += now == aBytes;
        sawB += now == bBytes;
    }
    // The kills fell at different moments: both tables were seen.
    EXPECT_GT(sawA, 0);
    EXPECT_GT(sawB, 0);
    EXPECT_TRUE(engine_test::zombieChildren().empty());
    // A loaded file is whole too.
    AppContext loaded;
    setField(loaded.taskFilePath, scene.taskFile);
    ASSERT_TRUE(MyTaskLoadAtStartup(loaded));
    EXPECT_TRUE(loaded.taskCount == 3 || loaded.taskCount == 7);
    RecordProperty("leftover_temp_files", leftovers(scene.folder));
}

TEST_F(WriteFaults, DeletedTaskFileIsNotRecreatedAndTheTableKeepsEverything) {
    testing_support::FakeClock clock(2024, 5, 10, 9, 0, 0);
    TaskDraft draft;
    draft.registeredFile = program;
    draft.nextRun = "2024/05/10";
    TaskDraft later = draft;
    later.name = "later";
    later.runTime = "18:00";
    scene.setTable({makeTask(draft), makeTask(later)});
    testing_support::writeTaskFile(scene.taskFile, scene.ctx->tasks);
    std::filesystem::remove(scene.taskFile);

    EXPECT_EQ(MyTaskWrite(*scene.ctx, scene.ctx->taskFilePath), -2);
    EXPECT_TRUE(MySchedulerPass(*scene.ctx));
    EXPECT_FALSE(testing_support::exists(scene.taskFile));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(scene.folder),
                            std::filesystem::directory_iterator()),
              0);
    // The start and the untouched task are still in memory, for the window and the last write.
    ASSERT_EQ(scene.ctx->taskCount, 2);
    EXPECT_EQ(scene.ctx->tasks[0].state, StateRunning);
    EXPECT_EQ(fieldView(scene.ctx->tasks[0].lastRunText), "2024/05/10");
    EXPECT_EQ(fieldView(scene.ctx->tasks[1].name), "later");
    EXPECT_EQ(fieldView(scene.ctx->tasks[1].nextRunText), "2024/05/10");
    endAllProcesses(*scene.ctx);

    // The next start-up creates the file again, empty.
    AppContext next;
    setField(next.taskFilePath, scene.taskFile);
    ASSERT_TRUE(MyTaskLoadAtStartup(next));
    EXPECT_EQ(next.taskCount, 0);
    EXPECT_EQ(testing_support::readFile(scene.taskFile), "");
    EXPECT_TRUE(engine_test::zombieChildren().empty());
}

} // namespace
