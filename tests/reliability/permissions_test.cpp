// A task file that someone else could have written is not acted on: it is not loaded, kept byte
// for byte as it is for the whole session, and the user is told which file and how to fix it.

#include "platform/file_trust.h"
#include "reliability_helpers.h"
#include "support/fake_clock.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace reliability;
using platform::FileTrust;
using platform::SystemPath;

namespace {

class Permissions : public ::testing::Test {
protected:
    Scene scene;
    testing_support::FakeClock clock{2024, 5, 10, 12, 0, 0};
    std::string program = scene.script("job.sh", "exit 0\n");
    std::string content;

    void SetUp() override {
        TaskDraft draft;
        draft.registeredFile = program;
        testing_support::writeTaskFile(scene.taskFile, {testing_support::makeTask(draft)});
        content = testing_support::readFile(scene.taskFile);
    }

    std::vector<std::string> backups() const {
        std::vector<std::string> found;
        for (const auto& entry : std::filesystem::directory_iterator(scene.folder)) {
            if (entry.path().filename().string().rfind("chorelin.tsk.bak-", 0) == 0)
                found.push_back(entry.path().string());
        }
        return found;
    }
};

TEST_F(Permissions, WhatIsTrusted) {
    struct Case {
        mode_t file, folder;
        FileTrust expected;
    } cases[] = {
        {0600, 0700, FileTrust::Trusted},
        {0644, 0755, FileTrust::Trusted},
        {0400, 0500, FileTrust::Trusted},
        {0620, 0700, FileTrust::FileWritableByOthers},
        {0602, 0700, FileTrust::FileWritableByOthers},
        {0666, 0700, FileTrust::FileWritableByOthers},
        {0600, 0707, FileTrust::FolderWritableByOthers},
        {0600, 0777, FileTrust::FolderWritableByOthers},
        {0600, 01777, FileTrust::FolderWritableByOthers},
        {0600, 0770, FileTrust::Trusted}, // a group folder: only the file's own bits matter
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << std::oct << c.file << " in " << c.folder);
        ASSERT_EQ(::chmod(scene.taskFile.c_str(), c.file), 0);
        ASSERT_EQ(::chmod(scene.folder.c_str(), c.folder), 0);
        EXPECT_EQ(platform::checkPrivateFile(SystemPath(scene.taskFile)), c.expected);
    }
    ::chmod(scene.folder.c_str(), 0700);
}

TEST_F(Permissions, MissingFileOrFolderIsTrusted) {
    EXPECT_EQ(platform::checkPrivateFile(SystemPath(scene.folder + "/none.tsk")),
              FileTrust::Trusted);
    EXPECT_EQ(platform::checkPrivateFile(SystemPath(scene.folder + "/none/none.tsk")),
              FileTrust::Trusted);
}

TEST_F(Permissions, ForeignOwnerIsRefused) {
    // Files of another user exist on every system: root's.
    if (::geteuid() == 0)
        GTEST_SKIP() << "running as root, every file may be ours";
    EXPECT_EQ(platform::checkPrivateFile(SystemPath("/etc/passwd")), FileTrust::FileForeignOwner);
    EXPECT_EQ(platform::checkPrivateFile(SystemPath("/etc/none-such.tsk")),
              FileTrust::FolderForeignOwner);
}

TEST_F(Permissions, ForeignOwnerAsRoot) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to give a file away";
    ASSERT_EQ(::chown(scene.taskFile.c_str(), 65534, 65534), 0);
    EXPECT_EQ(platform::checkPrivateFile(SystemPath(scene.taskFile)), FileTrust::FileForeignOwner);
    ASSERT_EQ(::chown(scene.taskFile.c_str(), 0, 0), 0);
    ASSERT_EQ(::chown(scene.folder.c_str(), 65534, 65534), 0);
    EXPECT_EQ(platform::checkPrivateFile(SystemPath(scene.taskFile)),
              FileTrust::FolderForeignOwner);
    ASSERT_EQ(::chown(scene.folder.c_str(), 0, 0), 0);
}

TEST_F(Permissions, RefusedFileIsNotLoadedAndNeverReplaced) {
    struct Case {
        const char* what;
        mode_t file, folder;
    } cases[] = {
        {"group-writable file", 0660, 0700},
        {"world-writable file", 0606, 0700},
        {"world-writable folder", 0600, 0777},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        testing_support::writeFile(scene.taskFile, content, 0600);
        ASSERT_EQ(::chmod(scene.taskFile.c_str(), c.file), 0);
        ASSERT_EQ(::chmod(scene.folder.c_str(), c.folder), 0);
        AppContext ctx;
        setField(ctx.taskFilePath, scene.taskFile);

        testing::internal::CaptureStderr();
        ASSERT_TRUE(MyTaskLoadAtStartup(ctx));
        const std::string err = testing::internal::GetCapturedStderr();

        EXPECT_EQ(ctx.taskCount, 0);
        EXPECT_TRUE(ctx.taskFileFrozen);
        ASSERT_FALSE(ctx.taskFileRefusal.empty());
        EXPECT_NE(ctx.taskFileRefusal.find(scene.taskFile), std::string::npos);
        EXPECT_NE(ctx.taskFileRefusal.find("chmod 600 " + scene.taskFile), std::string::npos);
        EXPECT_NE(ctx.taskFileRefusal.find("chmod 700 " + scene.folder), std::string::npos);
        // Standard error has it once.
        EXPECT_EQ(err, "Chorelin: " + ctx.taskFileRefusal + "\n");

        // No write of the session touches it, not even after the user follows the advice while
        // the program still runs; nothing is copied either.
        ASSERT_EQ(::chmod(scene.folder.c_str(), 0700), 0);
        ASSERT_EQ(::chmod(scene.taskFile.c_str(), 0600), 0);
        ctx.tasks = {testing_support::makeTask(TaskDraft{})};
        ctx.taskCount = 1;
        for (int write = 0; write < 2; ++write)
            EXPECT_EQ(MyTaskWrite(ctx, ctx.taskFilePath), -3);
        EXPECT_EQ(testing_support::readFile(scene.taskFile), content);
        EXPECT_TRUE(backups().empty());

        // Fixed and started again, the tasks are there.
        AppContext next;
        setField(next.taskFilePath, scene.taskFile);
        ASSERT_TRUE(MyTaskLoadAtStartup(next));
        EXPECT_EQ(next.taskCount, 1);
        EXPECT_TRUE(next.taskFileRefusal.empty());
    }
}

TEST_F(Permissions, RefusedFolderCreatesNoFile) {
    std::filesystem::remove(scene.taskFile);
    ASSERT_EQ(::chmod(scene.folder.c_str(), 0777), 0);
    AppContext ctx;
    setField(ctx.taskFilePath, scene.taskFile);
    testing::internal::CaptureStderr();
    ASSERT_TRUE(MyTaskLoadAtStartup(ctx));
    testing::internal::GetCapturedStderr();
    EXPECT_FALSE(ctx.taskFileRefusal.empty());
    EXPECT_FALSE(testing_support::exists(scene.taskFile));
    // Nothing is saved there later either.
    EXPECT_EQ(MyTaskWrite(ctx, ctx.taskFilePath), -2);
    EXPECT_FALSE(testing_support::exists(scene.taskFile));
    ::chmod(scene.folder.c_str(), 0700);
}

TEST_F(Permissions, PrivateFileLoadsAndCreatedFilesArePrivate) {
    AppContext ctx;
    setField(ctx.taskFilePath, scene.taskFile);
    ASSERT_TRUE(MyTaskLoadAtStartup(ctx));
    EXPECT_TRUE(ctx.taskFileRefusal.empty());
    EXPECT_EQ(ctx.taskCount, 1);

    std::filesystem::remove(scene.taskFile);
    AppContext fresh;
    setField(fresh.taskFilePath, scene.taskFile);
    ASSERT_TRUE(MyTaskLoadAtStartup(fresh));
    struct stat st;
    ASSERT_EQ(::stat(scene.taskFile.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    fresh.tasks = ctx.tasks;
    fresh.taskCount = 1;
    ASSERT_EQ(MyTaskWrite(fresh, fresh.taskFilePath), 0);
    ASSERT_EQ(::stat(scene.taskFile.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
}

TEST_F(Permissions, MessagesNameTheFileAndTheFix) {
    const std::string path = "/home/u/Documents/chorelin/chorelin.tsk";
    EXPECT_EQ(taskFileRefusalMessage(FileTrust::FileWritableByOthers, path.c_str()),
              "タスクファイル（" + path +
                  "）は他のユーザーが書き換えられる状態のため読み込みませんでした。\n"
                  "chmod 600 " +
                  path +
                  " と chmod 700 /home/u/Documents/chorelin で権限を直してから再起動してください。"
                  "それまでの間、タスクの変更はタスクファイルに保存されません。");
    const std::string foreign = taskFileRefusalMessage(FileTrust::FolderForeignOwner, path.c_str());
    EXPECT_NE(foreign.find("他のユーザーの所有"), std::string::npos);
    EXPECT_NE(foreign.find("chown"), std::string::npos);
}

} // namespace
