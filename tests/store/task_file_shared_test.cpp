// One task file for both systems: tests/data/shared-tasks.tsk was written by the Linux build
// (1420-byte records, cp932 texts). Both builds must write exactly those bytes for that table,
// and read the file back to the same records, so a file carried from one system to the other
// stays byte for byte what it was.

#include "store/fields.h"
#include "store/task_file.h"
#include "support/task_builders.h"
#include "support/temp_home.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace testing_support;

namespace {

const std::string kFixture = std::string(CHORELIN_TEST_DATA) + "/shared-tasks.tsk";

struct Row {
    const char* name;
    const char* schedule;
    const char* registered;
    const char* executable;
    int state;
};

// Texts with the characters that differ between cp932 mappings ("～", "①"), a trail byte that is
// a backslash ("表"), half-width kana and both kinds of program.
const Row kRows[] = {
    {"週報～まとめ", "毎週 月", "C:\\資料\\表計算\\週報.xlsx",
     "C:\\Program Files\\Office\\calc.exe", StateWaiting},
    {"バックアップ①", "毎日", "D:\\tools\\backup.bat", "", StateCompleted},
    {"ｶﾅ名のタスク", "毎月 1", "/home/user/bin/job.sh", "", StateWaiting},
};

std::vector<TaskRecord> table() {
    std::vector<TaskRecord> records;
    for (const Row& row : kRows) {
        TaskDraft draft;
        draft.name = row.name;
        draft.schedule = row.schedule;
        draft.registeredFile = row.registered;
        draft.executableFile = row.executable;
        draft.runTime = "08:45";
        draft.startDate = "2024/04/01";
        draft.nextRun = "2024/04/08";
        draft.state = row.state;
        records.push_back(makeTask(draft));
    }
    return records;
}

class SharedTaskFile : public ::testing::Test {
protected:
    TempHome home;
    std::string path = home.documents() + "/Chorelin.tsk";
};

TEST_F(SharedTaskFile, ThisBuildWritesTheBytesOfTheLinuxBuild) {
    const std::string expected = readFile(kFixture);
    ASSERT_EQ(expected.size(), 3u * 1420u);
    AppContext ctx;
    ctx.maxTaskCount = kMaxTaskCount;
    ctx.tasks = table();
    ctx.taskCount = static_cast<int32_t>(ctx.tasks.size());
    writeFile(path, "");
    ASSERT_EQ(MyTaskWrite(ctx, path.c_str()), 0);
    EXPECT_TRUE(readFile(path) == expected) << "the written file differs from the Linux one";
}

TEST_F(SharedTaskFile, TheLinuxFileReadsBackAndIsWrittenAsItWasRead) {
    const std::string original = readFile(kFixture);
    const std::vector<TaskRecord> written = readTaskFile(kFixture);
    writeFile(path, original);
    AppContext ctx;
    ctx.maxTaskCount = kMaxTaskCount;
    ASSERT_EQ(MyTaskRead(ctx, path.c_str()), 0);
    ASSERT_EQ(ctx.taskCount, static_cast<int32_t>(std::size(kRows)));
    for (size_t i = 0; i < std::size(kRows); ++i) {
        EXPECT_EQ(fieldString(ctx.tasks[i].name), cp932(kRows[i].name)) << i;
        EXPECT_EQ(fieldString(ctx.tasks[i].registeredFile), cp932(kRows[i].registered)) << i;
        // None of the programs exists on the machine that runs this: the load says so in the
        // state, and changes nothing else.
        EXPECT_EQ(ctx.tasks[i].state, StateNoExecutable) << i;
        TaskRecord asWritten = ctx.tasks[i];
        asWritten.state = written[i].state;
        EXPECT_EQ(std::memcmp(&asWritten, &written[i], sizeof(TaskRecord)), 0) << i;
    }
    ASSERT_EQ(MyTaskWrite(ctx, path.c_str()), 0);
    const std::string again = readFile(path);
    ASSERT_EQ(again.size(), original.size());
    EXPECT_EQ(std::memcmp(again.data(), ctx.tasks.data(), again.size()), 0)
        << "the file holds exactly the records as loaded";
}

} // namespace
