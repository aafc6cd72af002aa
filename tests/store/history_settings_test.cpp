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
        {"NotifyOnFailure=maybe\nHistoryRunsPerTask=0\nHistoryOutputMiB=-1\n", false, 100, 200},
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

// Both on/off settings read every spelling people write by hand; anything else is off.
TEST(BoolSettings, EverySpellingInAnyCase) {
    for (const auto& [text, on] : {std::pair{"TRUE", 1},
                                   {"yes", 1},
                                   {"On", 1},
                                   {"1", 1},
                                   {"False", 0},
                                   {"NO", 0},
                                   {"oFF", 0},
                                   {"0", 0},
                                   {"yes!", -1}}) {
        SCOPED_TRACE(text);
        TempHome home;
        makeDirs(home.configHome() + "/Marrowby");
        writeFile(home.settingsFile(), std::string("[General]\nCatchUpMissedRuns=") + text +
                                           "\nNotifyOnFailure=" + text + "\n");
        EXPECT_EQ(readHistorySettings().notifyOnFailure, on == 1);
        AppContext ctx;
        MyCatchUpSettingLoad(ctx);
        EXPECT_EQ(ctx.catchUp.enabled.load(), on == 1);
    }
}
