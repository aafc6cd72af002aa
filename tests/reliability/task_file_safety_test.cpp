// The task file is believed and read through one open descriptor, a link to it stays a link, and
// a file that could not be copied before being replaced stays byte for byte. (Modes are tried on
// the whole program as another user: e2e Safety.)

#include "platform/files.h"
#include "platform/private_file.h"
#include "reliability_helpers.h"
#include "support/fake_clock.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace reliability;

namespace {

class TaskFileSafety : public ::testing::Test {
protected:
    Scene scene;
    testing_support::FakeClock clock{2024, 5, 10, 12, 0, 0};
    std::string program = scene.script("job.sh", "exit 0\n");

    void TearDown() override {
        platform::setPrivateFileReadHook(nullptr);
        platform::setWriteFaultAfter(-1);
    }

    TaskRecord task(const std::string& name) const {
        TaskDraft draft;
        draft.name = name;
        draft.registeredFile = program;
        return testing_support::makeTask(draft);
    }

    // Entries of a folder whose names hold `part`.
    static int entriesWith(const std::string& folder, const std::string& part) {
        int n = 0;
        for (const auto& entry : std::filesystem::directory_iterator(folder))
            n += entry.path().filename().string().find(part) != std::string::npos;
        return n;
    }
};

TEST_F(TaskFileSafety, WhatIsBelievedIsWhatIsRead) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to give the planted file to another user";
    struct Case {
        const char* what;
        bool beforeTheOpen; // else between the trust decision and the read
        const char* loaded; // the task name loaded, or nullptr for a refusal
    } cases[] = {
        {"swapped in before the file is opened", true, nullptr},
        {"swapped in between the check and the read", false, "mine"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::filesystem::remove(scene.taskFile);
        testing_support::writeTaskFile(scene.taskFile, {task("mine")});
        // Another member of a group folder renames a file of their own over the task file.
        const std::string planted = scene.folder + "/planted";
        testing_support::writeTaskFile(planted, {task("theirs")});
        ASSERT_EQ(::chown(planted.c_str(), 65534, 65534), 0);
        const auto swap = [&] { std::filesystem::rename(planted, scene.taskFile); };
        if (c.beforeTheOpen)
            swap();
        else
            platform::setPrivateFileReadHook(swap);

        AppContext ctx;
        setField(ctx.taskFilePath, scene.taskFile);
        testing::internal::CaptureStderr();
        ASSERT_TRUE(MyTaskLoadAtStartup(ctx));
        testing::internal::GetCapturedStderr();
        platform::setPrivateFileReadHook(nullptr);
        ASSERT_FALSE(testing_support::exists(planted)); // the swap did happen
        if (c.loaded) {
            ASSERT_EQ(ctx.taskCount, 1);
            EXPECT_EQ(fieldString(ctx.tasks[0].name), c.loaded);
            EXPECT_TRUE(ctx.taskFileRefusal.empty());
        } else {
            EXPECT_EQ(ctx.taskCount, 0);
            EXPECT_TRUE(ctx.taskFileFrozen);
            EXPECT_NE(ctx.taskFileRefusal.find("他のユーザーの所有"), std::string::npos);
        }
    }
}

TEST_F(TaskFileSafety, ALinkedTaskFileStaysALink) {
    const std::string synced = scene.home.scratch() + "/synced";
    testing_support::makeDirs(synced);
    ASSERT_EQ(::chmod(synced.c_str(), 0700), 0);
    const std::string real = synced + "/tasks.tsk";
    testing_support::writeTaskFile(real, {task("a")});
    std::filesystem::create_symlink("../../../scratch/synced/tasks.tsk", scene.taskFile);

    AppContext ctx;
    setField(ctx.taskFilePath, scene.taskFile);
    ASSERT_TRUE(MyTaskLoadAtStartup(ctx));
    ASSERT_EQ(ctx.taskCount, 1);
    EXPECT_TRUE(ctx.taskFileRefusal.empty());
    ctx.tasks = {task("a"), task("b")};
    ctx.taskCount = 2;
    ASSERT_EQ(MyTaskWrite(ctx, ctx.taskFilePath), 0);
    EXPECT_TRUE(std::filesystem::is_symlink(scene.taskFile));
    EXPECT_EQ(std::filesystem::read_symlink(scene.taskFile), "../../../scratch/synced/tasks.tsk");
    EXPECT_EQ(testing_support::readTaskFile(real).size(), 2u);
    EXPECT_EQ(entriesWith(synced, ".tmp-") + entriesWith(scene.folder, ".tmp-"), 0);

    // Whoever may write either folder could change what the link leads to.
    struct Case {
        const char* what;
        std::string folder;
    } cases[] = {{"the folder that holds the link", scene.folder},
                 {"the folder that holds the file", synced}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_EQ(::chmod(c.folder.c_str(), 0777), 0);
        AppContext again;
        setField(again.taskFilePath, scene.taskFile);
        testing::internal::CaptureStderr();
        ASSERT_TRUE(MyTaskLoadAtStartup(again));
        testing::internal::GetCapturedStderr();
        EXPECT_EQ(again.taskCount, 0);
        EXPECT_TRUE(again.taskFileFrozen);
        EXPECT_NE(again.taskFileRefusal.find("chmod 700 " + c.folder), std::string::npos)
            << again.taskFileRefusal;
        ASSERT_EQ(::chmod(c.folder.c_str(), 0700), 0);
    }
}

TEST_F(TaskFileSafety, AFileThatCannotBeCopiedIsNotReplaced) {
    struct Case {
        const char* what;
        off_t size;           // of a sparse file of zeros, or 0 for 1421 bytes of text
        long long faultAfter; // the disk fills after so many bytes of the copy, or -1
    } cases[] = {
        {"the disk fills during the copy", 0, 100},
        {"a file too large to be a task file", (64 << 20) + 1, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        if (c.size == 0) {
            testing_support::writeFile(scene.taskFile, std::string(1421, 'j'), 0600);
        } else {
            testing_support::writeFile(scene.taskFile, "", 0600);
            ASSERT_EQ(::truncate(scene.taskFile.c_str(), c.size), 0);
        }
        struct stat before;
        ASSERT_EQ(::stat(scene.taskFile.c_str(), &before), 0);
        platform::setWriteFaultAfter(c.faultAfter);
        AppContext ctx;
        setField(ctx.taskFilePath, scene.taskFile);
        testing::internal::CaptureStderr();
        ASSERT_TRUE(MyTaskLoadAtStartup(ctx));
        platform::setWriteFaultAfter(-1);
        ctx.tasks = {task("new")};
        ctx.taskCount = 1;
        EXPECT_EQ(MyTaskWrite(ctx, ctx.taskFilePath), -3);
        EXPECT_EQ(MyTaskWrite(ctx, ctx.taskFilePath), -3);
        const std::string err = testing::internal::GetCapturedStderr();

        // Said once, and the file is the one it was: same file, same size, not a byte written.
        EXPECT_TRUE(ctx.taskFileFrozen);
        EXPECT_NE(ctx.taskFileRefusal.find("控えを作れない"), std::string::npos);
        EXPECT_EQ(err, "Chorelin: " + ctx.taskFileRefusal + "\n");
        struct stat after;
        ASSERT_EQ(::stat(scene.taskFile.c_str(), &after), 0);
        EXPECT_EQ(after.st_ino, before.st_ino);
        EXPECT_EQ(after.st_size, before.st_size);
        EXPECT_EQ(after.st_mtim.tv_nsec, before.st_mtim.tv_nsec);
        if (c.size == 0) {
            EXPECT_EQ(testing_support::readFile(scene.taskFile), std::string(1421, 'j'));
        }
        // A copy that failed midway is gone again.
        EXPECT_EQ(entriesWith(scene.folder, ".bak-"), 0);
    }
}

} // namespace
