// FIFOs, sockets, devices and folders where a file is expected, as the task file, as a copy's
// source, as a task's program or document: nothing hangs, nothing is read from them or written
// over them, and each is refused with the message such a file already has.

#include "engine/launch.h"
#include "platform/private_file.h"
#include "reliability_helpers.h"
#include "support/fake_clock.h"

#include <fcntl.h>
#include <filesystem>
#include <future>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>

using namespace reliability;
using namespace std::chrono_literals;

namespace {

// Makes one kind of special entry at `path`: "fifo", "zero" (a link to /dev/zero), "folder" or
// "socket".
void makeSpecial(const std::string& kind, const std::string& path) {
    if (kind == "fifo") {
        ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
    } else if (kind == "zero") {
        std::filesystem::create_symlink("/dev/zero", path);
    } else if (kind == "folder") {
        std::filesystem::create_directory(path);
    } else {
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::snprintf(address.sun_path, sizeof address.sun_path, "%s", path.c_str());
        ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
        ::close(fd);
    }
}

std::string typeOf(const std::string& path) {
    struct stat st;
    return ::lstat(path.c_str(), &st) == 0 ? std::to_string(st.st_mode & S_IFMT) : "gone";
}

// Runs `work`; should it hang in a FIFO, a writer opens the FIFO so that it ends, and the case
// fails instead of the whole run hanging.
template <typename F> auto withoutHanging(const std::string& fifo, F work) {
    auto result = std::async(std::launch::async, work);
    if (result.wait_for(5s) == std::future_status::timeout) {
        ADD_FAILURE() << "hung on " << fifo;
        ::close(::open(fifo.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC));
    }
    return result.get();
}

class SpecialFiles : public ::testing::Test {
protected:
    Scene scene;
    testing_support::FakeClock clock{2024, 5, 10, 9, 0, 0};
};

TEST_F(SpecialFiles, AsTheTaskFileAreNeitherReadNorReplacedNorCopied) {
    for (const std::string kind : {"fifo", "zero", "folder", "socket"}) {
        SCOPED_TRACE(kind);
        std::filesystem::remove_all(scene.taskFile);
        makeSpecial(kind, scene.taskFile);
        const std::string type = typeOf(scene.taskFile);
        AppContext ctx;
        setField(ctx.taskFilePath, scene.taskFile);
        testing::internal::CaptureStderr();
        EXPECT_TRUE(withoutHanging(scene.taskFile, [&] { return MyTaskLoadAtStartup(ctx); }));
        EXPECT_EQ(testing::internal::GetCapturedStderr(),
                  "Chorelin: " + ctx.taskFileRefusal + "\n");
        EXPECT_EQ(ctx.taskCount, 0);
        EXPECT_NE(ctx.taskFileRefusal.find("通常のファイルではない"), std::string::npos);

        // Neither the exit nor any command writes: no copy, no replacement, no temporary file.
        ctx.tasks = {testing_support::makeTask(TaskDraft{})};
        ctx.taskCount = 1;
        for (int write = 0; write < 2; ++write)
            EXPECT_EQ(
                withoutHanging(scene.taskFile, [&] { return MyTaskWrite(ctx, ctx.taskFilePath); }),
                -3);
        EXPECT_EQ(typeOf(scene.taskFile), type);
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(scene.folder),
                                std::filesystem::directory_iterator()),
                  1);
        // A copy is only ever made of a regular file.
        const platform::SystemPath copy(scene.home.scratch() + "/copy");
        EXPECT_EQ(withoutHanging(scene.taskFile,
                                 [&] {
                                     return platform::copyRegularFile(
                                         platform::SystemPath(scene.taskFile), copy, 1 << 20);
                                 }),
                  platform::CopyResult::NotRegular);
        EXPECT_FALSE(testing_support::exists(copy.str()));
    }
}

TEST_F(SpecialFiles, AsAProgramOrDocumentCannotBeRun) {
    // A program name is checked for an executable image (-10); a document of no type that a
    // program opens has no association (-13).
    const struct {
        const char* kind;
        const char* name;
        int expected;
    } cases[] = {{"fifo", "setup.exe", -10},
                 {"fifo", "notes.txt", -13},
                 {"socket", "server.exe", -10},
                 {"zero", "zero.exe", -10}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = scene.home.scratch() + "/" + c.name;
        makeSpecial(c.kind, path);
        char out[1024] = {};
        // The entry dialog's browse and the drop ask this while they hold the task lock.
        EXPECT_EQ(
            withoutHanging(path, [&] { return MyGetExecFile(path.c_str(), out, sizeof out); }),
            c.expected);
        EXPECT_EQ(out[0], '\0');

        // Registered anyway (an old task file), a pass or run-now records a failed start.
        TaskDraft draft;
        draft.registeredFile = path;
        scene.setTable({testing_support::makeTask(draft)});
        withoutHanging(path, [&] {
            TaskLockGuard lock(scene.ctx->taskLock);
            MyTaskExec(*scene.ctx, 0);
        });
        EXPECT_EQ(scene.ctx->tasks[0].launchResult, LaunchFailed);
        endAllProcesses(*scene.ctx);
    }
}

} // namespace
