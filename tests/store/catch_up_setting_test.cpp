// The CatchUpMissedRuns setting: off unless stored on, read at start-up, written by the dialog.

#include "store/catch_up_setting.h"
#include "store/settings_store.h"
#include "support/temp_home.h"

#include <QSettings>
#include <gtest/gtest.h>

using namespace testing_support;

namespace {

TEST(CatchUpSetting, StoredSpellings) {
    struct Case {
        const char* content; // nullptr: no settings file at all
        bool on;
    };
    const Case cases[] = {
        {nullptr, false},
        {"[General]\nDefaultInterval=10\nDefaultSchedule=毎日\n", false},
        {"[General]\nCatchUpMissedRuns=true\n", true},
        {"[General]\nCatchUpMissedRuns=1\n", true},
        {"[General]\nCatchUpMissedRuns=false\n", false},
        {"[General]\nCatchUpMissedRuns=0\n", false},
        {"[General]\nCatchUpMissedRuns=yes please\n", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.content ? c.content : "no file");
        TempHome home;
        if (c.content) {
            makeDirs(home.configHome() + "/Marrowby");
            writeFile(home.settingsFile(), c.content);
        }
        AppContext ctx;
        ctx.catchUp.enabled = !c.on;
        MyConfigLoadAtStartup(ctx);
        EXPECT_EQ(ctx.catchUp.enabled, c.on);
        // Reading never writes the value: the file stays as the user left it.
        QSettings settings(QString::fromStdString(home.settingsFile()), QSettings::IniFormat);
        const bool stored =
            c.content && std::string(c.content).find("CatchUpMissedRuns") != std::string::npos;
        EXPECT_EQ(settings.contains("CatchUpMissedRuns"), stored);
    }
}

TEST(CatchUpSetting, WrittenValueHoldsAtTheNextStart) {
    TempHome home;
    for (const bool on : {true, false}) {
        AppContext ctx;
        ASSERT_EQ(MyCatchUpSettingWrite(ctx, on), 0);
        EXPECT_EQ(ctx.catchUp.enabled, on);
        AppContext next;
        next.catchUp.enabled = !on;
        MyConfigLoadAtStartup(next);
        EXPECT_EQ(next.catchUp.enabled, on);
        QSettings settings(QString::fromStdString(home.settingsFile()), QSettings::IniFormat);
        EXPECT_EQ(settings.value("CatchUpMissedRuns").toBool(), on);
    }
}

} // namespace
