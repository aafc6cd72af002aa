// Resolving a registered file to its program against a private desktop association set-up, and
// starting real processes.
//
// GIO reads the XDG folders once per process, at its first lookup. Every case sets them to one
// private tree built once per process (a mime database made by update-mime-database from a small
// package of its own, two .desktop files and a mimeapps.list), so nothing from /usr/share or
// the user's desktop takes part, whether the cases run one per process (ctest) or all together.

#include "engine/launch.h"
#include "engine_test_helpers.h"
#include "platform/text_codec.h"
#include "store/fields.h"
#include "store/trace.h"
#include "support/fake_clock.h"
#include "support/task_builders.h"
#include "support/temp_home.h"

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <gtest/gtest.h>
#include <memory>
#include <stdexcept>
#include <sys/stat.h>

using namespace testing_support;
using engine_test::readLines;
using engine_test::waitUntil;

namespace {

class AssociationWorld {
  public:
    static AssociationWorld& get() {
        static AssociationWorld world;
        return world;
    }
    // The XDG variables that GIO reads; set again after each TempHome has moved them.
    void applyEnvironment() const {
        setenv("XDG_DATA_HOME", (root_ + "/data").c_str(), 1);
        setenv("XDG_CONFIG_HOME", (root_ + "/config").c_str(), 1);
        setenv("XDG_DATA_DIRS", (root_ + "/data-dirs").c_str(), 1);
        setenv("XDG_CONFIG_DIRS", (root_ + "/config-dirs").c_str(), 1);
        setenv("GIO_USE_VFS", "local", 1);
    }
    // The program associated with text/plain and .cdoc documents: records its argv.
    const std::string& recorder() const { return recorder_; }

  private:
    AssociationWorld() {
        std::string templ =
            (std::filesystem::temp_directory_path() / "chorelin-assoc-XXXXXX").string();
        if (!mkdtemp(templ.data()))
            throw std::runtime_error("mkdtemp failed");
        root_ = templ;
        for (const char* dir : {"/data/mime/packages", "/data/applications", "/config",
                                "/data-dirs", "/config-dirs", "/関連 プログラム", "/broken"})
            makeDirs(root_ + dir);
        writeFile(root_ + "/data/mime/packages/chorelin-test.xml",
                  R"(<?xml version="1.0" encoding="UTF-8"?>
<mime-info xmlns="http://www.freedesktop.org/standards/shared-mime-info">
  <mime-type type="text/plain"><comment>text</comment><glob pattern="*.txt"/></mime-type>
  <mime-type type="application/x-chorelin-doc"><comment>doc</comment><glob pattern="*.cdoc"/></mime-type>
  <mime-type type="application/x-chorelin-unregistered"><comment>none</comment><glob pattern="*.cunreg"/></mime-type>
  <mime-type type="application/x-chorelin-broken"><comment>broken</comment><glob pattern="*.cbroken"/></mime-type>
</mime-info>
)");
        const std::string update = "update-mime-database '" + root_ + "/data/mime' >/dev/null 2>&1";
        if (std::system(update.c_str()) != 0)
            throw std::runtime_error("update-mime-database failed");

        recorder_ = root_ + "/関連 プログラム/recorder.sh";
        writeFile(recorder_, engine_test::kRecorderScript, 0755);
        const std::string notExecutable = root_ + "/broken/viewer";
        writeFile(notExecutable, "#!/bin/sh\n", 0644);
        writeFile(root_ + "/data/applications/chorelin-recorder.desktop",
                  "[Desktop Entry]\nType=Application\nName=Recorder\nExec=\"" + recorder_ +
                      "\" %f\nMimeType=text/plain;application/x-chorelin-doc;\n");
        writeFile(root_ + "/data/applications/chorelin-broken.desktop",
                  "[Desktop Entry]\nType=Application\nName=Broken\nExec=" + notExecutable +
                      " %f\nMimeType=application/x-chorelin-broken;\n");
        writeFile(root_ + "/config/mimeapps.list",
                  "[Default Applications]\n"
                  "text/plain=chorelin-recorder.desktop\n"
                  "application/x-chorelin-doc=chorelin-recorder.desktop\n"
                  "application/x-chorelin-broken=chorelin-broken.desktop\n");
    }
    ~AssociationWorld() {
        std::error_code ec;
        std::filesystem::remove_all(root_, ec);
    }

    std::string root_;
    std::string recorder_;
};

class LaunchTest : public ::testing::Test {
  protected:
    void SetUp() override {
        home_ = std::make_unique<TempHome>();
        AssociationWorld::get().applyEnvironment();
        dir_ = home_->scratch();
    }
    void TearDown() override { EXPECT_TRUE(engine_test::zombieChildren().empty()); }

    std::string path(const std::string& name) const { return dir_ + "/" + name; }

    std::unique_ptr<TempHome> home_;
    std::string dir_;
};

struct Resolution {
    const char* label;
    std::string file;    // under the scratch folder, UTF-8
    const char* content; // nullptr: the file is not created
    int mode;
    int expected;
    bool resolvesToItself; // else, on 0, to the recorder
};

TEST_F(LaunchTest, ResolvesEveryKindOfRegisteredFile) {
    makeDirs(path("sub"));
    std::filesystem::copy_file("/bin/true", path("real.exe"));
    const std::vector<Resolution> cases = {
        {"document of an associated type", "letter.txt", "hello\n", 0644, 0, false},
        {"document of a second associated type", "report.cdoc", "x", 0644, 0, false},
        {"batch file in capitals", "RUN.BAT", "@echo off\n", 0644, 0, true},
        {"command file", "job.Cmd", "x", 0644, 0, true},
        {"shell script, mixed case", "job.sH", "#!/bin/sh\n", 0644, 0, true},
        {"missing batch file", "gone.bat", nullptr, 0, 0, true},
        {"missing script", "gone.sh", nullptr, 0, 0, true},
        {"real program named .exe", "real.exe", nullptr, 0, 0, true},
        {"text file named .exe", "fake.exe", "not a program\n", 0644, -10, false},
        {"text file named .EXE, executable bit", "fake2.EXE", "text\n", 0755, -10, false},
        {"missing .exe", "missing.exe", nullptr, 0, -10, false},
        {"script with the execute bit, no extension", "tool", "#!/bin/sh\nexit 0\n", 0755, 0, true},
        {"text file with the execute bit", "notes", "just text\n", 0744, -10, false},
        {"text document with the execute bit", "marked.txt", "text\n", 0700, -10, false},
        {"unregistered type", "data.cunreg", "x", 0644, -13, false},
        {"associated program not executable", "thing.cbroken", "x", 0644, -13, false},
        {"missing folder", "no such folder/letter.txt", nullptr, 0, -1, false},
        {"missing document in an existing folder", "sub/absent.txt", nullptr, 0, -2, false},
    };
    for (const Resolution& c : cases) {
        SCOPED_TRACE(c.label);
        if (c.content)
            writeFile(path(c.file), c.content, c.mode);
        const std::string registered = cp932(path(c.file));
        char out[1024];
        std::memset(out, 'Q', sizeof out);
        EXPECT_EQ(MyGetExecFile(registered.c_str(), out, sizeof out), c.expected);
        if (c.expected == 0) {
            const std::string expected =
                c.resolvesToItself ? registered : cp932(AssociationWorld::get().recorder());
            EXPECT_EQ(std::string(out), expected);
            // The whole buffer was cleared before the path went in.
            EXPECT_EQ(std::string(out + expected.size(), sizeof out - expected.size()),
                      std::string(sizeof out - expected.size(), '\0'));
        } else {
            const std::string rest(out, sizeof out);
            EXPECT_TRUE(rest == std::string(sizeof out, 'Q') ||
                        rest == std::string(sizeof out, '\0'));
        }
    }
}

TEST_F(LaunchTest, PathThatIsNotValidTextIsALookupFailure) {
    // A lone lead byte: no text at all in the Japanese code page.
    const std::string registered = cp932(dir_) + "/\x81.txt";
    char out[512] = {};
    EXPECT_EQ(MyGetExecFile(registered.c_str(), out, sizeof out), -8);
    EXPECT_EQ(out[0], '\0');
}

TEST_F(LaunchTest, ResolvedPathMustFitWithItsTerminator) {
    writeFile(path("letter.txt"), "hello\n");
    const std::string script = cp932(path("job.sh"));
    const std::string program = cp932(AssociationWorld::get().recorder());
    const std::string document = cp932(path("letter.txt"));
    struct Fit {
        const char* label;
        std::string registered;
        std::string resolved;
    };
    for (const Fit& f : {Fit{"script", script, script}, Fit{"document", document, program}}) {
        SCOPED_TRACE(f.label);
        std::vector<char> out(f.resolved.size() + 1, 'Q');
        EXPECT_EQ(MyGetExecFile(f.registered.c_str(), out.data(), f.resolved.size()), -12);
        EXPECT_EQ(std::string(out.data(), f.resolved.size()), std::string(f.resolved.size(), 'Q'));
        EXPECT_EQ(MyGetExecFile(f.registered.c_str(), out.data(), out.size()), 0);
        EXPECT_EQ(std::string(out.data()), f.resolved);
    }
}

TEST(TaskCommandLine, QuotesBothPathsUnlessTheProgramIsTheRegisteredFile) {
    struct Case {
        std::string exe, registered, expected;
    };
    for (const Case& c : std::vector<Case>{
             {"/p/viewer", "/d/a b.txt", "\"/p/viewer\" \"/d/a b.txt\""},
             {"/p/job.sh", "/p/job.sh", "\"/p/job.sh\""},
             {"/P/JOB.SH", "/p/job.sh", "\"/P/JOB.SH\""},
         }) {
        TaskRecord task{};
        setField(task.executableFile, c.exe);
        setField(task.registeredFile, c.registered);
        EXPECT_EQ(taskCommandLine(task), c.expected);
    }
}

class TaskExecTest : public LaunchTest {
  protected:
    void SetUp() override {
        LaunchTest::SetUp();
        ctx_ = std::make_unique<AppContext>();
        log_ = path("argv.log");
        setenv("CHORELIN_ARGV_LOG", log_.c_str(), 1);
    }
    void TearDown() override {
        for (TaskRecord& task : ctx_->tasks)
            EXPECT_TRUE(engine_test::endTaskProcess(task));
        unsetenv("CHORELIN_ARGV_LOG");
        LaunchTest::TearDown();
    }
    TaskRecord& add(const TaskDraft& draft) {
        ctx_->tasks.push_back(makeTask(draft));
        ctx_->taskCount = static_cast<int32_t>(ctx_->tasks.size());
        return ctx_->tasks.back();
    }
    void exec(int index) {
        TaskLockGuard lock(ctx_->taskLock);
        MyTaskExec(*ctx_, index);
    }
    std::vector<std::string> recordedArgv() {
        EXPECT_TRUE(waitUntil([&] { return exists(log_); }));
        return readLines(log_);
    }

    FakeClock clock_{2024, 5, 10, 9, 0, 0};
    std::unique_ptr<AppContext> ctx_;
    std::string log_;
};

void expectStarted(const TaskRecord& task) {
    EXPECT_EQ(task.state, StateRunning);
    EXPECT_EQ(task.launchResult, LaunchStarted);
    EXPECT_GT(task.processInfo.processHandle, 2);
    EXPECT_EQ(task.processInfo.threadHandle, 0);
    EXPECT_GT(task.processInfo.processId, 0);
    EXPECT_EQ(task.startupInfo.size, 68);
    EXPECT_EQ(task.startupInfo.showWindow, 10);
    EXPECT_EQ(task.startupInfo.flags, 0);
    EXPECT_EQ(fieldString(task.lastRunText), "2024/05/10");
    EXPECT_EQ(task.lastRunDate, 20240510);
}

TEST_F(TaskExecTest, ScriptStartsItselfWithNoArgument) {
    const std::string folder = path("dir with 'single' \"double\" 日本語");
    makeDirs(folder);
    const std::string script = folder + "/my job.sh";
    writeFile(script, engine_test::kRecorderScript, 0755);
    TaskDraft draft;
    draft.name = "script";
    draft.registeredFile = script;
    add(draft);

    exec(0);

    expectStarted(ctx_->tasks[0]);
    EXPECT_EQ(recordedArgv(), std::vector<std::string>{script});
}

TEST_F(TaskExecTest, DocumentStartsItsAssociatedProgramWithTheDocument) {
    const std::string trace = path("trace.log");
    setenv("CHORELIN_TRACE", trace.c_str(), 1);
    resetTraceSink();
    const std::string folder = path("書類 'a' \"b\"");
    makeDirs(folder);
    const std::string document = folder + "/月次 \"報告\" 'v2'.txt";
    writeFile(document, "report\n");
    char program[1024];
    ASSERT_EQ(MyGetExecFile(cp932(document).c_str(), program, sizeof program), 0);
    TaskDraft draft;
    draft.name = "月次報告";
    draft.registeredFile = document;
    draft.executableFile = *platform::cp932ToUtf8(program);
    add(draft);

    exec(0);

    expectStarted(ctx_->tasks[0]);
    EXPECT_EQ(recordedArgv(),
              (std::vector<std::string>{AssociationWorld::get().recorder(), document}));
    const std::vector<std::string> lines = readLines(trace);
    EXPECT_NE(std::find(lines.begin(), lines.end(), "タスク（月次報告）を実行します。"),
              lines.end());
}

TEST_F(TaskExecTest, FailedStartKeepsTheStateAndStillRecordsTheDay) {
    writeFile(path("not executable.sh"), "#!/bin/sh\n", 0644);
    struct Case {
        const char* label;
        std::string executable;
        int state;
    };
    for (const Case& c :
         {Case{"program missing", path("gone/viewer"), StateNoExecutable},
          Case{"program not executable", path("not executable.sh"), StateWaiting}}) {
        SCOPED_TRACE(c.label);
        ctx_->tasks.clear();
        TaskDraft draft;
        draft.registeredFile = path("doc.txt");
        draft.executableFile = c.executable;
        draft.lastRun = "2024/05/01";
        draft.state = c.state;
        TaskRecord& task = add(draft);
        task.launchResult = LaunchStarted;
        std::memset(&task.processInfo, 0x5A, sizeof task.processInfo);

        exec(0);

        const TaskRecord& after = ctx_->tasks[0];
        EXPECT_EQ(after.state, c.state);
        EXPECT_EQ(after.launchResult, LaunchFailed);
        EXPECT_EQ(after.lastRunDate, 20240510);
        EXPECT_EQ(fieldString(after.lastRunText), "2024/05/10");
        const ProcessBlock none{};
        EXPECT_EQ(std::memcmp(&after.processInfo, &none, sizeof none), 0);
    }
}

} // namespace
