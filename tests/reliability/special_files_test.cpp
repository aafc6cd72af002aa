// FIFOs, sockets, devices and folders where a file is expected: as the task file, as its
// backup's source, as a task's program or document. Nothing hangs, nothing is read from them,
// nothing is written over them, and each is refused with the message such a file already has.

#include "engine/launch.h"
#include "platform/private_file.h"
#include "reliability_helpers.h"
#include "support/fake_clock.h"

#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <future>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

using namespace reliability;
using namespace std::chrono_literals;

namespace {

// What may stand where a file is expected. Each makes its entry at `path`.
struct SpecialFile {
    const char* what;
    std::function<void(const std::string& path)> make;
};

void makeSocket(const std::string& path) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::snprintf(address.sun_path, sizeof address.sun_path, "%s", path.c_str());
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0) << path;
    ::close(fd);
}

const std::vector<SpecialFile>& specialFiles() {
    static const std::vector<SpecialFile> files = {
        {"a FIFO", [](const std::string& p) { ASSERT_EQ(::mkfifo(p.c_str(), 0600), 0); }},
        {"a link to /dev/zero",
         [](const std::string& p) { std::filesystem::create_symlink("/dev/zero", p); }},
        {"a folder", [](const std::string& p) { std::filesystem::create_directory(p); }},
        {"a socket", makeSocket},
    };
    return files;
}

std::string kindOf(const std::string& path) {
    struct stat st;
    if (::lstat(path.c_str(), &st) != 0)
        return "gone";
    return std::to_string(st.st_mode & S_IFMT);
}

// Runs `work`; should it hang in a FIFO, a writer opens the FIFO so that it can end, and the case
// fails instead of the whole run hanging.
template <typename T> T withoutHanging(const std::string& fifo, std::function<T()> work) {
    std::future<T> result = std::async(std::launch::async, std::move(work));
    if (result.wait_for(5s) == std::future_status::timeout) {
        ADD_FAILURE() << "hung on " << fifo;
        const int writer = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
        if (writer >= 0)
            ::close(writer);
    }
    return result.get();
}

class SpecialFiles : public ::testing::Test {
protected:
    Scene scene;
    testing_support::FakeClock clock{2024, 5, 10, 9, 0, 0};

    std::vector<std::string> entriesBeside() const {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(scene.folder))
            names.push_back(entry.path().filename().string());
        return names;
    }
};

TEST_F(SpecialFiles, AsTheTaskFileAreNeitherReadNorReplaced) {
    for (const SpecialFile& special : specialFiles()) {
        SCOPED_TRACE(special.what);
        std::filesystem::remove_all(scene.taskFile);
        special.make(scene.taskFile);
        const std::string kind = kindOf(scene.taskFile);
        AppContext ctx;
        setField(ctx.taskFilePath, scene.taskFile);

        testing::internal::CaptureStderr();
        const bool loaded =
            withoutHanging<bool>(scene.taskFile, [&] { return MyTaskLoadAtStartup(ctx); });
        const std::string err = testing::internal::GetCapturedStderr();
        EXPECT_TRUE(loaded);
        EXPECT_EQ(ctx.taskCount, 0);
        EXPECT_TRUE(ctx.taskFileFrozen);
        EXPECT_NE(ctx.taskFileRefusal.find("通常のファイルではない"), std::string::npos)
            << ctx.taskFileRefusal;
        EXPECT_NE(ctx.taskFileRefusal.find(scene.taskFile), std::string::npos);
        EXPECT_EQ(err, "Chorelin: " + ctx.taskFileRefusal + "\n");

        // The exit and every command write nothing: no copy, no replacement, no temporary file.
        ctx.tasks = {testing_support::makeTask(TaskDraft{})};
        ctx.taskCount = 1;
        for (int write = 0; write < 2; ++write) {
            EXPECT_EQ(withoutHanging<int>(scene.taskFile,
                                          [&] { return MyTaskWrite(ctx, ctx.taskFilePath); }),
                      -3);
        }
        EXPECT_EQ(kindOf(scene.taskFile), kind);
        EXPECT_EQ(entriesBeside(), std::vector<std::string>{"chorelin.tsk"});
    }
}

TEST_F(SpecialFiles, AreNeverCopied) {
    for (const SpecialFile& special : specialFiles()) {
        SCOPED_TRACE(special.what);
        const std::string source = scene.home.scratch() + "/source";
        const std::string copy = scene.home.scratch() + "/copy";
        std::filesystem::remove_all(source);
        special.make(source);
        const platform::CopyResult result = withoutHanging<platform::CopyResult>(source, [&] {
            return platform::copyRegularFile(platform::SystemPath(source),
                                             platform::SystemPath(copy), 1 << 20);
        });
        EXPECT_EQ(result, platform::CopyResult::NotRegular);
        EXPECT_FALSE(testing_support::exists(copy));
    }
}

TEST_F(SpecialFiles, AsAProgramOrDocumentCannotBeRun) {
    struct Case {
        const char* what;
        std::string name;
        int mode; // 0: as made
        int expected;
    };
    // A program name is checked for an executable image (-10); a document of no type any
    // program opens has no association (-13).
    const std::vector<Case> cases = {
        {"a FIFO named as a program", "setup.exe", 0, -10},
        {"a FIFO named as a document", "notes.txt", 0, -13},
        {"a FIFO with the execute bit", "tool", 0700, -13},
        {"a socket named as a program", "server.exe", 0, -10},
        {"a device named as a program", "zero.exe", 0, -10},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string path = scene.home.scratch() + "/" + c.name;
        if (c.name == "server.exe")
            makeSocket(path);
        else if (c.name == "zero.exe")
            std::filesystem::create_symlink("/dev/zero", path);
        else
            ASSERT_EQ(::mkfifo(path.c_str(), c.mode ? c.mode : 0600), 0);
        char out[1024] = {};
        // The entry dialog's browse and the drop call this while the task lock is held.
        const int result =
            withoutHanging<int>(path, [&] { return MyGetExecFile(path.c_str(), out, sizeof out); });
        EXPECT_EQ(result, c.expected);
        EXPECT_EQ(out[0], '\0');

        // Registered anyway (an old task file), a pass or run-now records a failed start.
        TaskDraft draft;
        draft.registeredFile = path;
        draft.nextRun = "2024/05/10";
        scene.setTable({testing_support::makeTask(draft)});
        withoutHanging<int>(path, [&] {
            TaskLockGuard lock(scene.ctx->taskLock);
            MyTaskExec(*scene.ctx, 0);
            return 0;
        });
        EXPECT_EQ(scene.ctx->tasks[0].launchResult, LaunchFailed);
        endAllProcesses(*scene.ctx);
    }
}

} // namespace
