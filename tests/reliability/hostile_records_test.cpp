// Task files that were not written by this program: unterminated texts, dates that are not
// dates, states and flags out of range, paths that do not exist. Loading them, computing their
// next runs and preparing their starts reads no byte past a field and never crashes; under the
// address sanitizer any such read fails the test.

#include "engine/launch.h"
#include "engine/next_exec.h"
#include "platform/text_codec.h"
#include "reliability_helpers.h"
#include "store/schedule_text.h"
#include "support/fake_clock.h"

#include <climits>
#include <cstring>
#include <filesystem>
#include <gtest/gtest.h>

using namespace reliability;
using testing_support::FakeClock;

namespace {

// Fills every text field to its last byte, leaving no terminator anywhere.
void fillTexts(TaskRecord& r, char byte) {
    std::memset(r.name, byte, sizeof r.name);
    std::memset(r.runTime, byte, sizeof r.runTime);
    std::memset(r.scheduleText, byte, sizeof r.scheduleText);
    std::memset(r.startDateText, byte, sizeof r.startDateText);
    std::memset(r.endDateText, byte, sizeof r.endDateText);
    std::memset(r.lastRunText, byte, sizeof r.lastRunText);
    std::memset(r.nextRunText, byte, sizeof r.nextRunText);
    std::memset(r.registeredFile, byte, sizeof r.registeredFile);
    std::memset(r.executableFile, byte, sizeof r.executableFile);
}

// Every bounded reader of a record that the engine and the window use.
void readEveryField(const TaskRecord& r) {
    EXPECT_LE(fieldView(r.name).size(), sizeof r.name);
    EXPECT_LE(platform::cp932ToUtf8Lossy(fieldView(r.name)).size(), 3 * sizeof r.name);
    for (std::string_view text :
         {fieldView(r.runTime), fieldView(r.scheduleText), fieldView(r.startDateText),
          fieldView(r.endDateText), fieldView(r.lastRunText), fieldView(r.nextRunText)})
        EXPECT_LE(platform::cp932ToUtf8Lossy(text).size(), 3 * 32u);
    EXPECT_LE(taskCommandLine(r).size(), sizeof r.registeredFile + sizeof r.executableFile + 5);
    EXPECT_LE(scheduleTextFromFlags(r).size(), sizeof r.scheduleText);
}

class HostileRecords : public ::testing::Test {
protected:
    Scene scene;
    FakeClock clock{2024, 5, 10, 12, 0, 0}; // a Friday

    // Writes the records as the task file, loads it as start-up does and computes every next run.
    void load(const std::vector<TaskRecord>& records) {
        testing_support::writeTaskFile(scene.taskFile, records);
        ASSERT_TRUE(MyTaskLoadAtStartup(*scene.ctx));
        ASSERT_TRUE(scene.ctx->taskFileRefusal.empty()) << scene.ctx->taskFileRefusal;
        for (int i = 0; i < scene.ctx->taskCount; ++i)
            MySetNextExec(*scene.ctx, i);
    }
};

TEST_F(HostileRecords, UnterminatedTextsAreReadWithinTheirWidths) {
    for (char byte : {'A', '\xFF', '\x81' /* a cp932 lead byte with nothing after it */}) {
        TaskRecord r{};
        fillTexts(r, byte);
        r.daily = 1;
        r.state = StateWaiting;
        load({r, r, r});
        ASSERT_EQ(scene.ctx->taskCount, 3);
        for (const TaskRecord& loaded : scene.ctx->tasks) {
            readEveryField(loaded);
            EXPECT_EQ(fieldView(loaded.name).size(), sizeof loaded.name);
            // Neither path exists: the missing program wins, as for any record.
            EXPECT_EQ(loaded.state, StateNoExecutable);
            // A daily task gets a real next run whatever garbage its run time holds.
            EXPECT_EQ(fieldView(loaded.nextRunText).size(), 10u);
        }
    }
}

TEST_F(HostileRecords, OddNumbersGiveSoundNextRuns) {
    const std::string program = scene.script("job.sh", "exit 0\n");
    struct Case {
        const char* what;
        void (*apply)(TaskRecord&);
        int32_t expectedState; // after load and next-run computation
        bool expectNextRun;
    } cases[] = {
        {"state 0", [](TaskRecord& r) { r.state = 0; }, 0, true},
        {"state 7", [](TaskRecord& r) { r.state = 7; }, 7, true},
        {"state INT_MIN", [](TaskRecord& r) { r.state = INT_MIN; }, INT_MIN, true},
        {"running with a stray descriptor",
         [](TaskRecord& r) {
             r.state = StateRunning;
             r.processInfo = ProcessBlock{0, 1, 1, 0}; // descriptor 0 is standard input
         },
         StateWaiting, true},
        {"flags of 2 and -1",
         [](TaskRecord& r) {
             r.daily = 0;
             r.weekdays = 2;
             r.holidays = -1;
         },
         StateWaiting, true},
        {"no schedule flag, saved next run today",
         [](TaskRecord& r) {
             r.daily = 0;
             setField(r.nextRunText, "2024/05/10");
             r.nextRunDate = 20240510;
         },
         StateWaiting, false},
        {"chosen days without a day, saved next run today",
         [](TaskRecord& r) {
             r.daily = 0;
             r.chosenDays = 1;
             setField(r.nextRunText, "2024/05/10");
             r.nextRunDate = 20240510;
         },
         StateWaiting, false},
        {"day flags of INT_MIN",
         [](TaskRecord& r) {
             r.daily = 0;
             r.chosenDays = 1;
             for (int32_t& f : r.dayFlags)
                 f = INT_MIN;
         },
         StateWaiting, true},
        {"start date not a date", [](TaskRecord& r) { r.startDate = 20241399; }, StateWaiting,
         true},
        {"start date INT_MAX", [](TaskRecord& r) { r.startDate = INT_MAX; }, StateWaiting, false},
        {"start date negative", [](TaskRecord& r) { r.startDate = -5; }, StateWaiting, true},
        {"end date negative", [](TaskRecord& r) { r.endDate = -1; }, StateCompleted, false},
        {"end date INT_MAX", [](TaskRecord& r) { r.endDate = INT_MAX; }, StateWaiting, true},
        {"last run INT_MIN", [](TaskRecord& r) { r.lastRunDate = INT_MIN; }, StateWaiting, true},
        {"once, last run not a date",
         [](TaskRecord& r) {
             r.daily = 0;
             r.once = 1;
             r.lastRunDate = 99999999;
         },
         StateWaiting, false},
        {"next run text not a date", [](TaskRecord& r) { setField(r.nextRunText, "ab/cd/ef"); },
         StateWaiting, true},
        {"run time not a time", [](TaskRecord& r) { std::memset(r.runTime, 0xFF, 16); },
         StateWaiting, true},
        {"launch result 99", [](TaskRecord& r) { r.launchResult = 99; }, StateWaiting, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TaskDraft draft;
        draft.registeredFile = program;
        TaskRecord r = testing_support::makeTask(draft);
        c.apply(r);
        scene.ctx = std::make_unique<AppContext>();
        setField(scene.ctx->taskFilePath, scene.taskFile);
        MyCalMake(*scene.ctx);
        load({r});
        ASSERT_EQ(scene.ctx->taskCount, 1);
        const TaskRecord& t = scene.ctx->tasks[0];
        readEveryField(t);
        EXPECT_EQ(t.state, c.expectedState);
        const ProcessBlock none{};
        EXPECT_EQ(std::memcmp(&t.processInfo, &none, sizeof none), 0);
        const std::string_view next = fieldView(t.nextRunText);
        if (c.expectNextRun) {
            ASSERT_EQ(next.size(), 10u);
            EXPECT_EQ(testing_support::dateOf(std::string(next)), t.nextRunDate);
            EXPECT_GE(t.nextRunDate, 20240510);
        } else {
            EXPECT_TRUE(next.empty()) << next;
            EXPECT_EQ(t.nextRunDate, 0);
        }
    }
}

TEST_F(HostileRecords, MissingAndEmptyPathsTakeTheMissingFileStates) {
    const std::string program = scene.script("job.sh", "exit 0\n");
    struct Case {
        std::string registered, executable;
        int32_t expected;
    } cases[] = {
        {"", "", StateNoExecutable},
        {scene.home.scratch() + "/gone.txt", program, StateNoRegisteredFile},
        {program, scene.home.scratch() + "/gone", StateNoExecutable},
        {program, "relative/path", StateNoExecutable},
        {scene.home.scratch(), program, StateWaiting}, // a folder exists: left to the scheduler
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.registered + " | " + c.executable);
        TaskRecord r{};
        r.daily = 1;
        r.state = StateWaiting;
        setField(r.name, "x");
        setField(r.runTime, "09:00");
        setField(r.registeredFile, c.registered);
        setField(r.executableFile, c.executable);
        load({r});
        EXPECT_EQ(scene.ctx->tasks[0].state, c.expected);
    }
}

TEST_F(HostileRecords, FilesOfOddSizesLoseNothing) {
    const std::string original(1420 * 2 + 7, '\xAB');
    testing_support::writeFile(scene.taskFile, original, 0600);
    ASSERT_TRUE(MyTaskLoadAtStartup(*scene.ctx));
    EXPECT_EQ(scene.ctx->taskCount, 0);
    // The first write keeps the unloadable file before it replaces it.
    ASSERT_EQ(MyTaskWrite(*scene.ctx, scene.ctx->taskFilePath), 0);
    EXPECT_EQ(testing_support::readFile(scene.taskFile), "");
    int copies = 0;
    for (const auto& entry : std::filesystem::directory_iterator(scene.folder)) {
        if (entry.path().filename().string().rfind("chorelin.tsk.bak-", 0) == 0) {
            ++copies;
            EXPECT_EQ(testing_support::readFile(entry.path().string()), original);
        }
    }
    EXPECT_EQ(copies, 1);
}

} // namespace

namespace {

// What the cp932 fuzzing showed: converting to cp932 maps some characters to look-alikes, so
// callers that need the exact text (paths) must check the way back themselves.
TEST(Cp932, LookAlikesAreMappedAndComeBackAsTheCp932Character) {
    struct Case {
        const char* utf8;
        const char* backAs;
    } cases[] = {
        {"〜", "～"}, // U+301C wave dash
        {"¥", "\\"},  // U+00A5 yen sign
        {"‖", "∥"},   // U+2016
        {"～", "～"}, // exact
        {"①", "①"},   // exact (NEC row 13)
    };
    for (const Case& c : cases) {
        const auto bytes = platform::utf8ToCp932(c.utf8);
        ASSERT_TRUE(bytes) << c.utf8;
        EXPECT_EQ(platform::cp932ToUtf8(*bytes), std::optional<std::string>(c.backAs));
    }
    EXPECT_FALSE(platform::utf8ToCp932("😀")); // no cp932 form at all
}

} // namespace
