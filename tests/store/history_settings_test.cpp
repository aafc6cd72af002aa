// The history's settings in the real settings file of a private home: defaults, what the file
// may say, and the notice switch written back.

#include "store/catch_up_setting.h"
#include "store/history_settings.h"
#include "support/temp_home.h"

#include <gtest/gtest.h>

using namespace testing_support;

TEST(HistorySettings, ReadFromTheSettingsFile) {
    struct Case {
        const char* content;
        bool notify;
        int runs;
        int mib;
    } cases[] = {
        {"", true, 100, 200},
        {"NotifyOnFailure=false\nHistoryRunsPerTask=5\nHistoryOutputMiB=0\n", false, 5, 0},
        {"NotifyOnFailure=1\nHistoryRunsPerTask=100000\nHistoryOutputMiB=1048576\n", true, 100000,
         1048576},
        {"NotifyOnFailure=Off\n", false, 100, 200},
        // Unusable values fall back to the defaults, each on its own.
        {"NotifyOnFailure=maybe\nHistoryRunsPerTask=0\nHistoryOutputMiB=-1\n", true, 100, 200},
        {"HistoryRunsPerTask=12abc\nHistoryOutputMiB=99999999999\n", true, 100, 200},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.content);
        TempHome home;
        makeDirs(home.configHome() + "/Marrowby");
        writeFile(home.settingsFile(), std::string("[General]\n") + c.content);
        const HistorySettings settings = readHistorySettings();
        EXPECT_EQ(settings.notifyOnFailure, c.notify);
        EXPECT_EQ(settings.runsPerTask, c.runs);
        EXPECT_EQ(settings.outputMiB, c.mib);
    }
}

TEST(HistorySettings, NoticeSwitchIsWrittenBack) {
    TempHome home;
    ASSERT_TRUE(writeNotifyOnFailure(false));
    EXPECT_FALSE(readHistorySettings().notifyOnFailure);
    EXPECT_NE(readFile(home.settingsFile()).find("NotifyOnFailure=false"), std::string::npos);
    ASSERT_TRUE(writeNotifyOnFailure(true));
    EXPECT_TRUE(readHistorySettings().notifyOnFailure);
}

// Both on/off settings read every spelling people write by hand; anything else is the default.
TEST(BoolSettings, EverySpellingInAnyCase) {
    const struct {
        const char* text;
        bool catchUp;
        bool notify;
    } cases[] = {
        {"TRUE", true, true},        {"yes", true, true},     {"On", true, true},
        {"1", true, true},           {"False", false, false}, {"NO", false, false},
        {"oFF", false, false},       {"0", false, false},     {"maybe", false, true},
        {"yes please", false, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        TempHome home;
        makeDirs(home.configHome() + "/Marrowby");
        writeFile(home.settingsFile(), std::string("[General]\nCatchUpMissedRuns=") + c.text +
                                           "\nNotifyOnFailure=" + c.text + "\n");
        EXPECT_EQ(readHistorySettings().notifyOnFailure, c.notify);
        AppContext ctx;
        MyCatchUpSettingLoad(ctx);
        EXPECT_EQ(ctx.catchUp.enabled.load(), c.catchUp);
    }
}
