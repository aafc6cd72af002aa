// A termination signal that arrives while start-up shows a message box is not lost: the box is
// closed and the program ends as it would at the exit command (or at once after a fatal box).

#include "process_runner.h"
#include "support/task_builders.h"
#include "support/temp_home.h"
#include "x_tools.h"

#include <csignal>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace testing_support;
using namespace std::chrono_literals;

namespace {

class StartupBox : public ::testing::Test {
protected:
    void SetUp() override {
        if (std::getenv("DISPLAY") == nullptr)
            GTEST_SKIP() << "needs an X display (run under xvfb-run)";
        makeDirs(home.root() + "/bin");
        std::filesystem::copy_file(CHORELIN_BINARY, program);
        // With a tray the main window stays hidden: the one window shown is the box.
        tray = std::make_unique<HelperProcess>(std::vector<std::string>{"trayer", "--edge", "top",
                                                                        "--widthtype", "request",
                                                                        "--height", "24"},
                                               home.root() + "/trayer.log");
        ASSERT_TRUE(trayHostUp(*tray, 10s));
    }

    bool traced(const std::string& line) const {
        return readFile(trace).find(line) != std::string::npos;
    }
    bool boxShown() const { return !visibleWindowsTitled("Chorelin").empty(); }

    TempHome home;
    std::unique_ptr<HelperProcess> tray;
    std::string program = home.root() + "/bin/chorelin";
    std::string taskFile = home.documents() + "/chorelin/chorelin.tsk";
    std::string trace = home.root() + "/trace.log";
    std::vector<std::string> env = {"QT_QPA_PLATFORM=xcb", "CHORELIN_TRACE=" + trace};
};

TEST_F(StartupBox, ATerminationDuringTheRefusalEndsTheProgramThroughTheShutdown) {
    makeDirs(home.documents() + "/chorelin");
    TaskDraft draft;
    draft.registeredFile = "/bin/true";
    writeTaskFile(taskFile, {makeTask(draft)});
    ::chmod(taskFile.c_str(), 0664); // refused, with a box
    const std::string before = readFile(taskFile);
    ChorelinProcess chorelin(home.root() + "/err", env, program);
    ASSERT_TRUE(waitFor([&] { return boxShown(); }, 20s));
    chorelin.signal(SIGTERM);
    EXPECT_EQ(chorelin.waitForExit(20s), 0);
    EXPECT_TRUE(traced("CMainFrame::OnClose() End"));
    EXPECT_EQ(readFile(taskFile), before);
}

TEST_F(StartupBox, ATerminationDuringAFatalBoxEndsTheProgram) {
    ChorelinProcess first(home.root() + "/first.err", env, program);
    ASSERT_TRUE(waitFor([&] { return traced("CChorelinView::OnInitialUpdate() End"); }, 20s));
    ChorelinProcess second(home.root() + "/second.err", env, program);
    ASSERT_TRUE(waitFor([&] { return boxShown(); }, 20s));
    second.signal(SIGTERM);
    EXPECT_EQ(second.waitForExit(20s), 0);
    EXPECT_EQ(first.waitForExit(300ms), -1); // untouched
    first.signal(SIGTERM);
    EXPECT_EQ(first.waitForExit(20s), 0);
}

} // namespace
