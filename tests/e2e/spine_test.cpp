// The program as a whole, headless: one instance per user, and a termination signal runs the
// same shutdown as the exit command (SIGHUP too, as a closed terminal sends it), so the task file
// is written.

#include "process_runner.h"
#include "store/fields.h"
#include "support/task_builders.h"
#include "support/temp_home.h"

#include <csignal>
#include <gtest/gtest.h>

using namespace testing_support;
using namespace std::chrono_literals;

namespace {

class SpineTest : public ::testing::Test {
protected:
    TempHome home;
    std::string dataFolder = home.documents() + "/chorelin";
    std::string taskFile = dataFolder + "/chorelin.tsk";
    std::string trace = home.root() + "/trace.log";
    std::vector<std::string> env = {"QT_QPA_PLATFORM=offscreen", "CHORELIN_TRACE=" + trace};

    bool started() const { return readFile(trace).find("MyTaskRead() End") != std::string::npos; }
};

TEST_F(SpineTest, SecondStartEndsWithZeroAndLeavesTheFirstRunning) {
    ChorelinProcess first(home.root() + "/first.err", env);
    ASSERT_TRUE(waitFor([&] { return started(); }, 20s));
    ChorelinProcess second(home.root() + "/second.err", env);
    EXPECT_EQ(second.waitForExit(20s), 0);
    EXPECT_NE(readFile(home.root() + "/second.err").find("Chorelinは既に起動されています。"),
              std::string::npos);
    EXPECT_EQ(first.waitForExit(300ms), -1); // still running
    first.signal(SIGTERM);
    EXPECT_EQ(first.waitForExit(20s), 0);
}

TEST_F(SpineTest, FirstStartCreatesFolderFileAndSettings) {
    ChorelinProcess program(home.root() + "/err", env);
    ASSERT_TRUE(waitFor([&] { return started(); }, 20s));
    program.signal(SIGTERM);
    EXPECT_EQ(program.waitForExit(20s), 0);
    EXPECT_TRUE(exists(taskFile));
    EXPECT_EQ(readFile(taskFile).size(), 0u);
    const std::string settings = readFile(home.settingsFile());
    EXPECT_NE(settings.find("DefaultInterval=10"), std::string::npos);
    EXPECT_NE(settings.find("DefaultSchedule=毎日"), std::string::npos);
}

TEST_F(SpineTest, TerminationSignalWritesTheTable) {
    makeDirs(dataFolder);
    TaskDraft draft;
    draft.name = "was running";
    draft.registeredFile = "/bin/true";
    TaskRecord running = makeTask(draft);
    running.state = StateRunning;
    running.processInfo = ProcessBlock{42, 0, 4242, 0};
    writeTaskFile(taskFile, {running});
    for (int sig : {SIGTERM, SIGINT, SIGHUP}) {
        SCOPED_TRACE(sig);
        ChorelinProcess program(home.root() + "/err", env);
        ASSERT_TRUE(waitFor([&] { return started(); }, 20s));
        program.signal(sig);
        EXPECT_EQ(program.waitForExit(20s), 0);
        const std::vector<TaskRecord> saved = readTaskFile(taskFile);
        ASSERT_EQ(saved.size(), 1u);
        EXPECT_EQ(saved[0].state, StateWaiting); // repaired at load, written at the end
        EXPECT_EQ(saved[0].processInfo.processId, 0);
        writeFile(trace, "");
    }
}

} // namespace
