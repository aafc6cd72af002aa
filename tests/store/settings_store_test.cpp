// The two user settings and their start-up rule, against the real settings file of a private
// home.

#include "store/fields.h"
#include "store/schedule_text.h"
#include "store/settings_store.h"
#include "support/task_builders.h"
#include "support/temp_home.h"

#include <QSettings>
#include <gtest/gtest.h>

using namespace testing_support;

namespace {

class SettingsStoreTest : public ::testing::Test {
protected:
    TempHome home;
    AppContext ctx;

    void store(const std::string& content) {
        makeDirs(home.configHome() + "/Marrowby");
        writeFile(home.settingsFile(), content);
    }
    QVariant stored(const char* key) {
        QSettings settings(QString::fromStdString(home.settingsFile()), QSettings::IniFormat);
        return settings.value(key);
    }
};

TEST_F(SettingsStoreTest, ReadResults) {
    int32_t interval = -1;
    char schedule[64] = "unchanged";
    EXPECT_EQ(MyConfigRead(interval, schedule, sizeof schedule), -911); // no store at all
    store("[General]\nDefaultSchedule=毎日\n");
    EXPECT_EQ(MyConfigRead(interval, schedule, sizeof schedule), -893);
    store("[General]\nDefaultInterval=5\n");
    EXPECT_EQ(MyConfigRead(interval, schedule, sizeof schedule), -900);
    store("[General]\nDefaultInterval=5\nDefaultSchedule=日・月・火・水・木・金・土\n");
    char small[26];
    EXPECT_EQ(MyConfigRead(interval, small, sizeof small), -904); // 26 bytes + terminator
    EXPECT_EQ(interval, -1);
    EXPECT_STREQ(schedule, "unchanged");
    EXPECT_EQ(MyConfigRead(interval, schedule, sizeof schedule), 0);
    EXPECT_EQ(interval, 5);
    EXPECT_EQ(std::string(schedule), cp932("日・月・火・水・木・金・土"));
}

TEST_F(SettingsStoreTest, FirstStartWritesTheDefaults) {
    MyConfigLoadAtStartup(ctx);
    EXPECT_EQ(ctx.defaultInterval, 10);
    EXPECT_EQ(fieldString(ctx.defaultSchedule), cp932("毎日"));
    EXPECT_EQ(stored("DefaultInterval").toInt(), 10);
    EXPECT_EQ(stored("DefaultSchedule").toString(), QStringLiteral("毎日"));
}

TEST_F(SettingsStoreTest, AMissingScheduleRewritesBothValues) {
    store("[General]\nDefaultInterval=42\n");
    MyConfigLoadAtStartup(ctx);
    EXPECT_EQ(ctx.defaultInterval, 10);
    EXPECT_EQ(stored("DefaultInterval").toInt(), 10);
    EXPECT_EQ(stored("DefaultSchedule").toString(), QStringLiteral("毎日"));
}

TEST_F(SettingsStoreTest, AnUnrepresentableScheduleCountsAsUnreadable) {
    store("[General]\nDefaultInterval=3\nDefaultSchedule=😀\n");
    MyConfigLoadAtStartup(ctx);
    EXPECT_EQ(ctx.defaultInterval, 10);
    EXPECT_EQ(fieldString(ctx.defaultSchedule), cp932("毎日"));
}

TEST_F(SettingsStoreTest, StoredValuesAreUsedAsTheyAre) {
    store("[General]\nDefaultInterval=5000\nDefaultSchedule=平日\n");
    MyConfigLoadAtStartup(ctx);
    EXPECT_EQ(ctx.defaultInterval, 5000);
    EXPECT_EQ(fieldString(ctx.defaultSchedule), cp932("平日"));
}

TEST_F(SettingsStoreTest, AWriteGoesToTheStoreAsItIsNowNotAsAnEarlierReadFoundIt) {
    store("[General]\nDefaultInterval=5\nDefaultSchedule=平日\n");
    MyConfigLoadAtStartup(ctx);
    TempHome moved; // the store is elsewhere now
    ASSERT_EQ(MyConfigWrite(ctx, 7, cp932("毎日").c_str()), 0);
    QSettings settings(QString::fromStdString(moved.settingsFile()), QSettings::IniFormat);
    EXPECT_EQ(settings.value("DefaultInterval").toInt(), 7);
}

TEST_F(SettingsStoreTest, WrittenValuesRoundTripToTheNextStart) {
    ASSERT_EQ(MyConfigWrite(ctx, 0, cp932("月・水・金").c_str()), 0);
    EXPECT_EQ(ctx.defaultInterval, 0);
    EXPECT_EQ(fieldString(ctx.defaultSchedule), cp932("月・水・金"));
    AppContext next;
    MyConfigLoadAtStartup(next);
    EXPECT_EQ(next.defaultInterval, 0);
    EXPECT_EQ(fieldString(next.defaultSchedule), cp932("月・水・金"));
}

} // namespace
