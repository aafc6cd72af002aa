// The task file: loading, writing, the start-up load and the protection of unloadable files.

#include "platform/files.h"
#include "store/fields.h"
#include "store/task_file.h"
#include "support/fake_clock.h"
#include "support/task_builders.h"
#include "support/temp_home.h"

#include <cstring>
#include <filesystem>
#include <gtest/gtest.h>

using namespace testing_support;

namespace {

class TaskFileTest : public ::testing::Test {
protected:
    TempHome home;
    std::string dir = home.scratch();
    std::string path = dir + "/chorelin.tsk";
    std::string program = dir + "/job.sh";
    AppContext ctx;

    void SetUp() override {
        writeFile(program, "#!/bin/sh\n", 0755);
        ctx.maxTaskCount = kMaxTaskCount;
    }

    TaskRecord task(const std::string& name) {
        TaskDraft draft;
        draft.name = name;
        draft.registeredFile = program;
        return makeTask(draft);
    }

    std::vector<std::string> backups() const {
        std::vector<std::string> found;
        for (const auto& entry : std::filesystem::directory_iterator(dir)) {
            if (entry.path().filename().string().rfind("chorelin.tsk.bak-", 0) == 0)
                found.push_back(entry.path().string());
        }
        return found;
    }
};

TEST_F(TaskFileTest, FieldsLandAtTheirOffsetsInTheFile) {
    TaskRecord r{};
    r.startDate = 0x01020304;
    r.state = StateCompleted;
    r.processInfo.processId = 4242;
    r.dayFlags[6] = 1;
    setField(r.name, "abc");
    setField(r.registeredFile, "/x");
    writeTaskFile(path, {r});
    const std::string bytes = readFile(path);
    ASSERT_EQ(bytes.size(), 1420u);
    auto i32 = [&](size_t offset) {
        int32_t v;
        std::memcpy(&v, bytes.data() + offset, 4);
        return v;
    };
    EXPECT_EQ(bytes.substr(0, 4), std::string("abc\0", 4));
    EXPECT_EQ(bytes.substr(240, 3), std::string("/x\0", 3));
    EXPECT_EQ(i32(1264), 0x01020304);
    EXPECT_EQ(i32(1324), 1);
    EXPECT_EQ(i32(1328), StateCompleted);
    EXPECT_EQ(i32(1412), 4242);
}

TEST_F(TaskFileTest, WriteThenReadIsByteIdentical) {
    TaskRecord a = task("first");
    a.launchResult = LaunchFailed;
    a.startupInfo.size = 68;
    a.startupInfo.showWindow = 10;
    a.processInfo = ProcessBlock{7, 0, 1234, 0};
    a.state = StateRunning;
    TaskRecord b = task("二番目");
    b.state = StateDisabled;
    ctx.tasks = {a, b};
    ctx.taskCount = 2;
    writeFile(path, "");
    ASSERT_EQ(MyTaskWrite(ctx, path.c_str()), 0);

    AppContext loaded;
    loaded.maxTaskCount = kMaxTaskCount;
    ASSERT_EQ(MyTaskRead(loaded, path.c_str()), 0);
    ASSERT_EQ(loaded.taskCount, 2);
    EXPECT_EQ(std::memcmp(&loaded.tasks[0], &a, sizeof a), 0);
    EXPECT_EQ(std::memcmp(&loaded.tasks[1], &b, sizeof b), 0);
}

TEST_F(TaskFileTest, MissingFilesSetTheirStatesOnLoad) {
    struct Case {
        bool registered, executable;
        int expected;
    } cases[] = {
        {true, true, StateDisabled},
        {false, true, StateNoRegisteredFile},
        {true, false, StateNoExecutable},
        {false, false, StateNoExecutable}, // a missing program wins
    };
    for (const Case& c : cases) {
        TaskDraft draft;
        draft.registeredFile = c.registered ? program : dir + "/gone.txt";
        draft.executableFile = c.executable ? program : dir + "/gone-program";
        draft.state = StateDisabled;
        writeTaskFile(path, {makeTask(draft)});
        AppContext loaded;
        loaded.maxTaskCount = kMaxTaskCount;
        ASSERT_EQ(MyTaskRead(loaded, path.c_str()), 0);
        EXPECT_EQ(loaded.tasks[0].state, c.expected);
    }
}

TEST_F(TaskFileTest, ReadResults) {
    AppContext loaded;
    loaded.maxTaskCount = kMaxTaskCount;
    EXPECT_EQ(MyTaskRead(loaded, ""), -1);
    EXPECT_EQ(MyTaskRead(loaded, (dir + "/none.tsk").c_str()), -2);
    writeFile(path, "");
    EXPECT_EQ(MyTaskRead(loaded, path.c_str()), 0);
    EXPECT_EQ(loaded.taskCount, 0);
    writeFile(path, std::string(1421, '\0'));
    EXPECT_EQ(MyTaskRead(loaded, path.c_str()), -4);
    EXPECT_EQ(loaded.taskCount, 0);
}

TEST_F(TaskFileTest, AFailedReadLeavesTheTableAsItWas) {
    ctx.tasks = {task("kept")};
    ctx.taskCount = 1;
    writeFile(path, std::string(1421, 'x'));
    EXPECT_EQ(MyTaskRead(ctx, path.c_str()), -4);
    ASSERT_EQ(ctx.taskCount, 1);
    EXPECT_EQ(fieldString(ctx.tasks[0].name), "kept");
}

TEST_F(TaskFileTest, UnloadableFileIsBackedUpAtStartUpBeforeAnyWrite) {
    FakeClock clock(2026, 12, 8, 10, 11, 12);
    const std::string junk(1421, 'j');
    writeFile(path, junk, 0600);
    ctx.taskFilePath[0] = 0;
    setField(ctx.taskFilePath, path);
    testing::internal::CaptureStderr();
    ASSERT_TRUE(MyTaskLoadAtStartup(ctx));
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(ctx.taskCount, 0);
    EXPECT_FALSE(ctx.taskFileFrozen);
    // The copy is there before anything could replace the file, and standard error names it.
    std::vector<std::string> saved = backups();
    ASSERT_EQ(saved.size(), 1u);
    EXPECT_EQ(saved[0], path + ".bak-20261208-101112");
    EXPECT_EQ(readFile(saved[0]), junk);
    EXPECT_NE(err.find(saved[0]), std::string::npos);
    EXPECT_EQ(readFile(path), junk);

    ctx.tasks = {task("new")};
    ctx.taskCount = 1;
    ASSERT_EQ(MyTaskWrite(ctx, path.c_str()), 0);
    EXPECT_EQ(readTaskFile(path).size(), 1u);
    // Only one copy is kept.
    ASSERT_EQ(MyTaskWrite(ctx, path.c_str()), 0);
    EXPECT_EQ(backups().size(), 1u);
}

TEST_F(TaskFileTest, MoreThanTheLimitLoadsTheFirst256AndKeepsTheOriginal) {
    std::vector<TaskRecord> many;
    for (int i = 0; i < 300; ++i)
        many.push_back(task("t" + std::to_string(i)));
    writeTaskFile(path, many);
    ASSERT_EQ(MyTaskRead(ctx, path.c_str()), 0);
    ASSERT_EQ(ctx.taskCount, 256);
    EXPECT_EQ(fieldString(ctx.tasks[255].name), "t255");
    ASSERT_EQ(MyTaskWrite(ctx, path.c_str()), 0);
    EXPECT_EQ(readTaskFile(path).size(), 256u);
    ASSERT_EQ(backups().size(), 1u);
    EXPECT_EQ(readTaskFile(backups()[0]).size(), 300u);
}

TEST_F(TaskFileTest, WriteResults) {
    EXPECT_EQ(MyTaskWrite(ctx, ""), -1);
    const std::string missing = dir + "/none.tsk";
    EXPECT_EQ(MyTaskWrite(ctx, missing.c_str()), -2);
    EXPECT_FALSE(exists(missing));

    writeFile(path, std::string(1420 * 2, 'a'));
    ctx.taskCount = 0;
    ctx.tasks.clear();
    EXPECT_EQ(MyTaskWrite(ctx, path.c_str()), 0);
    EXPECT_EQ(readFile(path).size(), 0u);
}

TEST_F(TaskFileTest, AFailingWriteLeavesThePreviousFileWhole) {
    ctx.tasks = {task("a"), task("b")};
    ctx.taskCount = 2;
    writeFile(path, "");
    ASSERT_EQ(MyTaskWrite(ctx, path.c_str()), 0);
    const std::string before = readFile(path);

    ctx.tasks.push_back(task("c"));
    ctx.taskCount = 3;
    platform::setWriteFaultAfter(1000);
    EXPECT_EQ(MyTaskWrite(ctx, path.c_str()), -6);
    platform::setWriteFaultAfter(-1);
    EXPECT_EQ(readFile(path), before);
    // No temporary file is left behind.
    size_t entries = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir))
        ++entries;
    EXPECT_EQ(entries, 2u); // the program and the task file
}

TEST_F(TaskFileTest, StartUpCreatesAMissingFileWithPrivateMode) {
    setField(ctx.taskFilePath, path);
    ASSERT_TRUE(MyTaskLoadAtStartup(ctx));
    ASSERT_TRUE(exists(path));
    EXPECT_EQ(readFile(path).size(), 0u);
    EXPECT_EQ(std::filesystem::status(path).permissions() & std::filesystem::perms::all,
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
    EXPECT_EQ(ctx.maxTaskCount, 256);
}

TEST_F(TaskFileTest, StartUpFailsWhenTheFileCannotBeCreated) {
    setField(ctx.taskFilePath, dir + "/no-such-folder/chorelin.tsk");
    EXPECT_FALSE(MyTaskLoadAtStartup(ctx));
}

TEST_F(TaskFileTest, StartUpRepairsTasksLeftRunning) {
    TaskRecord daily = task("daily");
    daily.state = StateRunning;
    daily.processInfo = ProcessBlock{9, 0, 777, 0};
    daily.startupInfo.size = 68;
    TaskDraft onceSpec;
    onceSpec.name = "once";
    onceSpec.registeredFile = program;
    onceSpec.schedule = "１回のみ";
    TaskRecord once = makeTask(onceSpec);
    once.state = StateRunning;
    once.processInfo = ProcessBlock{10, 0, 778, 0};
    writeTaskFile(path, {daily, once});
    setField(ctx.taskFilePath, path);
    ASSERT_TRUE(MyTaskLoadAtStartup(ctx));
    ASSERT_EQ(ctx.taskCount, 2);
    EXPECT_EQ(ctx.tasks[0].state, StateWaiting);
    EXPECT_EQ(ctx.tasks[1].state, StateCompleted);
    const TaskRecord zero{};
    for (const TaskRecord& t : ctx.tasks) {
        EXPECT_EQ(std::memcmp(&t.startupInfo, &zero.startupInfo, sizeof zero.startupInfo), 0);
        EXPECT_EQ(std::memcmp(&t.processInfo, &zero.processInfo, sizeof zero.processInfo), 0);
    }
}

TEST_F(TaskFileTest, BackupNamesNeverCollide) {
    FakeClock clock(2026, 1, 2, 3, 4, 5);
    writeFile(path + ".bak-20260102-030405", "old");
    EXPECT_EQ(taskFileBackupPath(path.c_str()), path + ".bak-20260102-030405-1");
}

} // namespace

namespace {

TEST_F(TaskFileTest, StartUpRemovesTheLeftoversOfAnInterruptedWrite) {
    writeTaskFile(path, {task("kept")});
    writeFile(path + ".tmp-AbC123", "half a table", 0600);
    writeFile(path + ".tmp-toolong1", "not ours", 0600); // not a name the writer makes
    writeFile(dir + "/other.tsk.tmp-AbC123", "another file's", 0600);
    setField(ctx.taskFilePath, path);
    ASSERT_TRUE(MyTaskLoadAtStartup(ctx));
    EXPECT_EQ(ctx.taskCount, 1);
    EXPECT_FALSE(exists(path + ".tmp-AbC123"));
    EXPECT_TRUE(exists(path + ".tmp-toolong1"));
    EXPECT_TRUE(exists(dir + "/other.tsk.tmp-AbC123"));
}

} // namespace
