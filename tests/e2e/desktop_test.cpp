// The real program on a real X display: first start, the tray host deciding whether the window
// hides, a StatusNotifierItem tray, minimising under a window manager, the single-instance
// message answered by a key press, and an exit that leaves a task's process running.

#include "process_runner.h"
#include "status_notifier_host.h"
#include "store/fields.h"
#include "support/task_builders.h"
#include "support/temp_home.h"
#include "x_tools.h"

#include <csignal>
#include <ctime>
#include <filesystem>
#include <gtest/gtest.h>
#include <optional>

using namespace testing_support;
using namespace std::chrono_literals;

namespace {

class DesktopTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (std::getenv("DISPLAY") == nullptr)
            GTEST_SKIP() << "needs an X display (run under xvfb-run)";
        // A private copy of the program, so the guide written beside it stays in this home.
        makeDirs(binFolder);
        std::filesystem::copy_file(CHORELIN_BINARY, program);
    }

    std::unique_ptr<HelperProcess> startTrayHost() {
        auto host = std::make_unique<HelperProcess>(
            std::vector<std::string>{"trayer", "--edge", "top", "--align", "right", "--widthtype",
                                     "request", "--height", "24"},
            home.root() + "/trayer.log");
        EXPECT_TRUE(trayHostUp(*host, 10s));
        return host;
    }

    bool started() const {
        return readFile(trace).find("CChorelinView::OnInitialUpdate() End") != std::string::npos;
    }

    TempHome home;
    std::string binFolder = home.root() + "/bin";
    std::string program = binFolder + "/chorelin";
    std::string dataFolder = home.documents() + "/chorelin";
    std::string taskFile = dataFolder + "/chorelin.tsk";
    std::string trace = home.root() + "/trace.log";
    std::vector<std::string> env = {"QT_QPA_PLATFORM=xcb", "CHORELIN_TRACE=" + trace};
};

TEST_F(DesktopTest, FirstStartWithATrayCreatesItsFilesAndHidesTheWindow) {
    const auto tray = startTrayHost();
    ChorelinProcess chorelin(home.root() + "/err", env, program);
    ASSERT_TRUE(waitFor([&] { return started(); }, 20s));
    EXPECT_TRUE(std::filesystem::is_directory(dataFolder));
    EXPECT_TRUE(exists(taskFile));
    EXPECT_EQ(readFile(taskFile).size(), 0u);
    const std::string settings = readFile(home.settingsFile());
    EXPECT_NE(settings.find("DefaultInterval=10"), std::string::npos);
    EXPECT_NE(settings.find("DefaultSchedule=毎日"), std::string::npos);
    EXPECT_TRUE(exists(binFolder + "/Chorelinについて.txt"));
    // Give a window that was wrongly shown time to appear.
    EXPECT_FALSE(waitFor([&] { return !visibleWindowsTitled("Chorelin").empty(); }, 1500ms));
    chorelin.signal(SIGTERM);
    EXPECT_EQ(chorelin.waitForExit(20s), 0);
}

TEST_F(DesktopTest, WithoutATrayTheWindowIsShown) {
    ChorelinProcess chorelin(home.root() + "/err", env, program);
    ASSERT_TRUE(waitFor([&] { return started(); }, 20s));
    EXPECT_TRUE(waitFor([&] { return !visibleWindowsTitled("Chorelin").empty(); }, 10s));
    chorelin.signal(SIGTERM);
    EXPECT_EQ(chorelin.waitForExit(20s), 0);
}

// A tray of the D-Bus kind (KDE Plasma, GNOME's AppIndicator extension): a click arrives as
// Activate, and the host shows the menu the icon exports.
class StatusNotifierTest : public DesktopTest {
protected:
    void SetUp() override {
        DesktopTest::SetUp();
        if (IsSkipped())
            return;
        desktopApplication();
        host = std::make_unique<StatusNotifierHost>(home.root());
        ASSERT_TRUE(host->up());
        env.push_back(host->environment());
    }

    std::string windowShown() {
        std::vector<std::string> shown;
        waitFor(
            [&] {
                shown = visibleWindowsTitled("Chorelin");
                return !shown.empty();
            },
            10s);
        return shown.empty() ? std::string() : shown.front();
    }

    std::unique_ptr<StatusNotifierHost> host;
};

TEST_F(StatusNotifierTest, ActivateShowsTheWindowAndTheMenuIsExportedInOrder) {
    ChorelinProcess chorelin(home.root() + "/err", env, program);
    ASSERT_TRUE(waitFor([&] { return !host->registeredItem().isEmpty(); }, 20s));
    ASSERT_TRUE(waitFor([&] { return started(); }, 20s));
    EXPECT_TRUE(visibleWindowsTitled("Chorelin").empty()); // it lives in the tray

    EXPECT_EQ(host->menuPath().toStdString(), "/MenuBar");
    const std::vector<StatusNotifierHost::MenuItem> items = host->menu();
    std::vector<std::string> labels;
    for (const auto& item : items)
        labels.push_back(item.label.toStdString());
    EXPECT_EQ(labels, (std::vector<std::string>{"スタートアップに登録", "タスクの表示", "-",
                                                "アプリケーションの終了"}));

    ASSERT_TRUE(host->activate());
    EXPECT_FALSE(windowShown().empty());

    // The exported exit item ends the program as the menu's does.
    ASSERT_EQ(items.size(), 4u);
    ASSERT_TRUE(host->click(items[3].id));
    EXPECT_EQ(chorelin.waitForExit(20s), 0);
}

TEST_F(StatusNotifierTest, MinimiseHidesAndTheTrayShowsTheWindowPaintedAndActive) {
    writeFile(home.root() + "/twmrc", "RandomPlacement\nUsePPosition \"on\"\n"
                                      "TitleFont \"fixed\"\nIconFont \"fixed\"\n"
                                      "MenuFont \"fixed\"\nResizeFont \"fixed\"\n"
                                      "IconManagerFont \"fixed\"\n");
    HelperProcess windowManager({"twm", "-f", home.root() + "/twmrc"}, home.root() + "/twm.log");
    ASSERT_TRUE(waitFor(
        [] {
            return !runCommand({"xdotool", "search", "--name", "TWM Icon Manager"}).empty();
        },
        10s));
    ChorelinProcess chorelin(home.root() + "/err", env, program);
    ASSERT_TRUE(waitFor([&] { return started() && !host->registeredItem().isEmpty(); }, 20s));
    ASSERT_TRUE(host->activate());
    const std::string window = windowShown();
    ASSERT_FALSE(window.empty());

    runCommand({"xdotool", "windowminimize", window});
    ASSERT_TRUE(waitFor([&] { return visibleWindowsTitled("Chorelin").empty(); }, 10s));
    // And it stays hidden: no frame comes back behind the program's back.
    EXPECT_FALSE(waitFor([&] { return !visibleWindowsTitled("Chorelin").empty(); }, 1500ms));

    ASSERT_TRUE(host->activate());
    ASSERT_EQ(windowShown(), window);
    EXPECT_TRUE(waitFor([&] { return windowIsPainted(window); }, 10s));
    EXPECT_TRUE(waitFor(
        [&] {
            return runCommand({"xdotool", "getwindowfocus"}) == window + "\n";
        },
        10s));
    // It takes the keyboard: F5 refreshes the list.
    runCommand({"xdotool", "key", "F5"});
    EXPECT_TRUE(waitFor(
        [&] {
            return readFile(trace).find("CChorelinView::OnRefresh() Start") != std::string::npos;
        },
        10s));
    chorelin.signal(SIGTERM);
    EXPECT_EQ(chorelin.waitForExit(20s), 0);
}

TEST_F(DesktopTest, SecondStartShowsTheMessageAndEndsWithZero) {
    const auto tray = startTrayHost();
    ChorelinProcess first(home.root() + "/first.err", env, program);
    ASSERT_TRUE(waitFor([&] { return started(); }, 20s));
    ChorelinProcess second(home.root() + "/second.err", env, program);
    // The first instance lives hidden in the tray: the one window is the second's message.
    std::vector<std::string> box;
    ASSERT_TRUE(waitFor(
        [&] {
            box = visibleWindowsTitled("Chorelin");
            return !box.empty();
        },
        20s));
    EXPECT_EQ(second.waitForExit(500ms), -1) << "the message must wait for an answer";
    runCommand({"xdotool", "windowfocus", "--sync", box.front()});
    runCommand({"xdotool", "key", "--window", box.front(), "Return"});
    runCommand({"xdotool", "key", "Return"});
    EXPECT_EQ(second.waitForExit(20s), 0);
    EXPECT_NE(readFile(home.root() + "/second.err").find("Chorelinは既に起動されています。"),
              std::string::npos);
    EXPECT_EQ(first.waitForExit(300ms), -1); // untouched
    first.signal(SIGTERM);
    EXPECT_EQ(first.waitForExit(20s), 0);
}

// The process a task started; killed with its group at the end of the test whatever happens.
struct TaskProcessGuard {
    std::string pidFile;
    std::optional<int> pid() const {
        const std::string text = readFile(pidFile);
        if (text.empty() || text.back() != '\n')
            return std::nullopt;
        return std::stoi(text);
    }
    ~TaskProcessGuard() {
        if (const std::optional<int> p = pid()) {
            ::kill(-*p, SIGKILL);
            ::kill(*p, SIGKILL);
        }
    }
};

TEST_F(DesktopTest, ExitLeavesARunningTaskRunningAndTheNextStartShowsItWaiting) {
    const std::string script = home.scratch() + "/task.sh";
    TaskProcessGuard task{home.scratch() + "/task.pid"};
    writeFile(script,
              "#!/bin/sh\necho $$ > '" + task.pidFile + ".tmp'\nmv '" + task.pidFile + ".tmp' '" +
                  task.pidFile + "'\nexec sleep 300\n",
              0755);
    // Due at the next minute: the scheduler starts it within about a minute.
    const std::time_t inAMinute = std::time(nullptr) + 60;
    std::tm due{};
    localtime_r(&inAMinute, &due);
    char runTime[8];
    std::snprintf(runTime, sizeof runTime, "%02d:%02d", due.tm_hour, due.tm_min);
    TaskDraft draft;
    draft.name = "long job";
    draft.runTime = runTime;
    draft.registeredFile = script;
    makeDirs(dataFolder);
    writeTaskFile(taskFile, {makeTask(draft)});

    {
        ChorelinProcess chorelin(home.root() + "/err", env, program);
        ASSERT_TRUE(waitFor([&] { return started(); }, 20s));
        ASSERT_TRUE(waitFor([&] { return task.pid().has_value(); }, 90s))
            << "the task did not start";
        chorelin.signal(SIGTERM);
        EXPECT_EQ(chorelin.waitForExit(20s), 0);
    }
    ASSERT_EQ(::kill(*task.pid(), 0), 0) << "the task's process was ended with the program";
    std::vector<TaskRecord> saved = readTaskFile(taskFile);
    ASSERT_EQ(saved.size(), 1u);
    EXPECT_EQ(saved[0].state, StateRunning);

    writeFile(trace, "");
    {
        ChorelinProcess chorelin(home.root() + "/err2", env, program);
        ASSERT_TRUE(waitFor([&] { return started(); }, 20s));
        chorelin.signal(SIGTERM);
        EXPECT_EQ(chorelin.waitForExit(20s), 0);
    }
    saved = readTaskFile(taskFile);
    ASSERT_EQ(saved.size(), 1u);
    EXPECT_EQ(saved[0].state, StateWaiting);
    EXPECT_EQ(saved[0].processInfo.processHandle, 0);
    EXPECT_EQ(::kill(*task.pid(), 0), 0);
}

} // namespace
