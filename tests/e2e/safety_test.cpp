// The real program against what users and a second user do to its files: modes that forbid
// reading or writing, a second instance in another environment, a file-size limit, no display,
// and folders whose names cp932 cannot hold. Where modes matter the program runs as an
// unprivileged user, since root ignores them.

#include "process_runner.h"
#include "support/task_builders.h"
#include "support/temp_home.h"

#include <csignal>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace testing_support;
using namespace std::chrono_literals;

namespace {

constexpr uid_t kNobody = 65534;

// A private home for the program, with a copy of the program; `name` (when given) is the name
// of the home, of its documents folder and of the program's folder.
struct Chorelin {
    explicit Chorelin(const std::string& name = "") {
        if (!name.empty()) {
            home = temp.root() + "/" + name;
            programFolder = home + " bin";
            setDocuments(name + "/" + name);
        }
        makeDirs(home);
        makeDirs(programFolder);
        std::filesystem::copy_file(CHORELIN_BINARY, program());
        env = {"QT_QPA_PLATFORM=offscreen", "CHORELIN_TRACE=" + trace(), "HOME=" + home,
               "XDG_CONFIG_HOME=" + temp.configHome()};
    }

    // The documents folder that user-dirs.dirs names, relative to HOME.
    void setDocuments(const std::string& relative) {
        writeFile(temp.configHome() + "/user-dirs.dirs",
                  "XDG_DOCUMENTS_DIR=\"$HOME/" + relative + "\"\n");
        documents = home + "/" + relative;
    }
    // Removes a variable from the program's environment.
    void unset(const std::string& name) {
        std::erase_if(env, [&](const std::string& e) { return e.rfind(name + "=", 0) == 0; });
        env.push_back(name);
    }

    std::string program() const { return programFolder + "/chorelin"; }
    std::string trace() const { return temp.root() + "/trace.log"; }
    std::string err() const { return temp.root() + "/err"; }
    std::string dataFolder() const { return documents + "/chorelin"; }
    std::string taskFile() const { return dataFolder() + "/chorelin.tsk"; }

    // The command that runs the program as an unprivileged user, the whole tree given to that
    // user first; none when the tests themselves run unprivileged.
    std::vector<std::string> asAnotherUser() const {
        if (::geteuid() != 0)
            return {};
        ::lchown(temp.root().c_str(), kNobody, kNobody);
        for (const auto& entry : std::filesystem::recursive_directory_iterator(temp.root()))
            ::lchown(entry.path().c_str(), kNobody, kNobody);
        return {"setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"};
    }

    bool started() const {
        return readFile(trace()).find("CChorelinView::OnInitialUpdate() End") != std::string::npos;
    }

    // Starts the program, waits until its tasks are loaded, ends it with SIGTERM; the exit code.
    int startAndStop(const std::vector<std::string>& wrapper = {}) {
        ChorelinProcess chorelin(err(), env, program(), wrapper);
        if (!waitFor([&] { return started(); }, 20s)) {
            ADD_FAILURE() << "did not start: " << readFile(err());
            return -1;
        }
        chorelin.signal(SIGTERM);
        return chorelin.waitForExit(20s);
    }

    TempHome temp;
    std::string home = temp.home();
    std::string documents = home + "/Documents";
    std::string programFolder = temp.root() + "/bin";
    std::vector<std::string> env;
};

// Two tasks, one saved while Running: any write of the table changes the file.
std::string twoTasks(const std::string& path) {
    TaskDraft draft;
    draft.registeredFile = "/bin/true";
    TaskRecord running = makeTask(draft);
    running.state = StateRunning;
    draft.name = "second";
    writeTaskFile(path, {running, makeTask(draft)});
    return readFile(path);
}

int countOf(const std::string& text, const std::string& part) {
    int n = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++n;
    return n;
}

TEST(Safety, ModesAsAnotherUserKeepTheFile) {
    struct Case {
        const char* what;
        mode_t file, folder;
        bool written;     // written in place (the folder takes no new file)
        const char* said; // on standard error, or nullptr
    } cases[] = {
        {"group-writable file (refused)", 0664, 0700, false, "書き換えられる状態"},
        {"no permission at all", 0000, 0700, false, "を開けないため"},
        {"write-only", 0200, 0700, false, "を開けないため"},
        {"read-only", 0400, 0700, false, "書き込みが許可されていない"},
        {"writable file in a read-only folder", 0600, 0500, true, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Chorelin run;
        makeDirs(run.dataFolder());
        const std::string before = twoTasks(run.taskFile());
        struct stat old;
        ASSERT_EQ(::stat(run.taskFile().c_str(), &old), 0);
        const std::vector<std::string> wrapper = run.asAnotherUser();
        ASSERT_EQ(::chmod(run.taskFile().c_str(), c.file), 0);
        ASSERT_EQ(::chmod(run.dataFolder().c_str(), c.folder), 0);

        EXPECT_EQ(run.startAndStop(wrapper), 0);
        const std::string err = readFile(run.err());
        struct stat now;
        ASSERT_EQ(::stat(run.taskFile().c_str(), &now), 0);
        EXPECT_EQ(now.st_mode & 07777, c.file);
        EXPECT_EQ(now.st_ino, old.st_ino);
        if (c.written) {
            // The table was saved through the file itself: the Running task is Waiting now.
            const std::vector<TaskRecord> saved = readTaskFile(run.taskFile());
            ASSERT_EQ(saved.size(), 2u);
            EXPECT_EQ(saved[0].state, StateWaiting);
            EXPECT_NE(readFile(run.trace()).find("直接書き換えました"), std::string::npos);
        } else {
            EXPECT_EQ(readFile(run.taskFile()), before);
        }
        if (c.said) {
            EXPECT_EQ(countOf(err, c.said), 1) << err;
        }
        // No copy, no temporary file, only the lock beside it (none where no file may be made).
        for (const auto& entry : std::filesystem::directory_iterator(run.dataFolder())) {
            const std::string name = entry.path().filename().string();
            EXPECT_TRUE(name == "chorelin.tsk" || name == "Chorelin.Mutex") << name;
        }
        ::chmod(run.dataFolder().c_str(), 0700);
    }
}

TEST(Safety, OneInstancePerTaskFileWhateverTheEnvironment) {
    Chorelin run;
    // A name another user could have planted where the lock used to fall back to.
    const std::string oldPlace = "/tmp/Chorelin.Mutex-" + std::to_string(::getuid());
    std::filesystem::remove(oldPlace);
    std::filesystem::create_symlink("/nonexistent", oldPlace);
    ChorelinProcess first(run.err(), run.env, run.program());
    ASSERT_TRUE(waitFor([&] { return run.started(); }, 20s)) << readFile(run.err());
    EXPECT_TRUE(exists(run.dataFolder() + "/Chorelin.Mutex"));

    run.unset("XDG_RUNTIME_DIR");
    ChorelinProcess second(run.temp.root() + "/second.err", run.env, run.program());
    EXPECT_EQ(second.waitForExit(20s), 0);
    EXPECT_NE(readFile(run.temp.root() + "/second.err").find("Chorelinは既に起動されています。"),
              std::string::npos);
    EXPECT_EQ(first.waitForExit(300ms), -1); // still running
    first.signal(SIGTERM);
    EXPECT_EQ(first.waitForExit(20s), 0);
    std::filesystem::remove(oldPlace);
}

TEST(Safety, AFileSizeLimitFailsTheWriteInsteadOfEndingTheProgram) {
    Chorelin run;
    makeDirs(run.dataFolder());
    const std::string before = twoTasks(run.taskFile());
    // Smaller than the table (2840 bytes), larger than the trace.
    EXPECT_EQ(run.startAndStop({"prlimit", "--fsize=2500"}), 0);
    EXPECT_EQ(readFile(run.taskFile()), before);
    EXPECT_NE(readFile(run.trace()).find("MyTaskWrite() End Ret=-6"), std::string::npos);
    EXPECT_NE(readFile(run.trace()).find("=== chorelin END ==="), std::string::npos);
}

TEST(Safety, WithoutADisplayItRunsOffscreenAndSaysSoOnce) {
    Chorelin run;
    for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"})
        run.unset(name);
    EXPECT_EQ(run.startAndStop(), 0);
    EXPECT_EQ(countOf(readFile(run.err()), "offscreen"), 1) << readFile(run.err());
    EXPECT_TRUE(exists(run.taskFile()));
}

TEST(Safety, FoldersCp932CannotHoldWork) {
    // A user named josé, a documents folder in Vietnamese, and the wave dash that Japanese input
    // methods type on Linux: none of them has a cp932 form.
    for (const char* name : {"josé", "Tài liệu", "書類〜2024"}) {
        SCOPED_TRACE(name);
        Chorelin run(name);
        EXPECT_EQ(run.startAndStop(), 0) << readFile(run.err());
        EXPECT_TRUE(exists(run.taskFile()));
        EXPECT_TRUE(exists(run.dataFolder() + "/Chorelin.Mutex"));
        EXPECT_TRUE(exists(run.programFolder + "/Chorelinについて.txt"));
        EXPECT_TRUE(exists(run.temp.configHome() + "/Marrowby/Chorelin.conf"));
        EXPECT_EQ(readFile(run.err()).find("タスクファイルの作成に失敗しました"),
                  std::string::npos);
    }
}

TEST(Safety, ADocumentsFolderThatCannotBeMadeEndsAtTheTaskFile) {
    Chorelin run;
    writeFile(run.home + "/a file", "");
    run.setDocuments("a file/Documents");
    ChorelinProcess chorelin(run.err(), run.env, run.program());
    EXPECT_EQ(chorelin.waitForExit(20s), 0);
    // Start-up went on to the initial update, which could not create the task file.
    const std::string trace = readFile(run.trace());
    EXPECT_NE(trace.find("=== chorelin START ==="), std::string::npos);
    EXPECT_NE(trace.find("タスクファイルを作成します。\nタスクファイルの作成に失敗しました。"),
              std::string::npos)
        << trace;
    EXPECT_NE(
        readFile(run.err()).find("タスクファイルの作成に失敗しました。\nプログラムを停止します。"),
        std::string::npos);
}

} // namespace
