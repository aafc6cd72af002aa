// Schedule texts: the cp932 constants, flags to text, and text back to flags.

#include "platform/text_codec.h"
#include "store/fields.h"
#include "store/schedule_text.h"
#include "support/task_builders.h"

#include <gtest/gtest.h>

using namespace testing_support;

namespace {

TEST(ScheduleText, ConstantsAreTheCp932FormsOfTheirTexts) {
    EXPECT_EQ(std::string(schedule_text::kOnce), cp932("１回のみ"));
    EXPECT_EQ(std::string(schedule_text::kDaily), cp932("毎日"));
    EXPECT_EQ(std::string(schedule_text::kWeekdays), cp932("平日"));
    EXPECT_EQ(std::string(schedule_text::kHolidays), cp932("休日"));
    EXPECT_EQ(std::string(schedule_text::kSeparator), cp932("・"));
    const char* days[] = {"日", "月", "火", "水", "木", "金", "土"};
    for (int i = 0; i < 7; ++i)
        EXPECT_EQ(std::string(schedule_text::kDays[i]), cp932(days[i]));
}

TEST(ScheduleText, TextToFlagsAndBack) {
    struct Case {
        const char* text;
        int once, daily, weekdays, holidays, chosen;
        int days[7];
        const char* back; // the text the flags give again
    } cases[] = {
        {"１回のみ", 1, 0, 0, 0, 0, {}, "１回のみ"},
        {"毎日", 0, 1, 0, 0, 0, {}, "毎日"},
        {"平日", 0, 0, 1, 0, 0, {}, "平日"},
        {"休日", 0, 0, 0, 1, 0, {}, "休日"},
        {"月・水・金", 0, 0, 0, 0, 1, {0, 1, 0, 1, 0, 1, 0}, "月・水・金"},
        {"日・土", 0, 0, 0, 0, 1, {1, 0, 0, 0, 0, 0, 1}, "日・土"},
        {"土日", 0, 0, 0, 0, 1, {1, 0, 0, 0, 0, 0, 1}, "日・土"},
        {"日・月・火・水・木・金・土",
         0,
         0,
         0,
         0,
         1,
         {1, 1, 1, 1, 1, 1, 1},
         "日・月・火・水・木・金・土"},
        {"", 0, 0, 0, 0, 1, {}, ""},
        // Not one of the fixed texts, so chosen days; it holds the letter 日 (Sunday).
        {"毎日 ", 0, 0, 0, 0, 1, {1, 0, 0, 0, 0, 0, 0}, "日"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        TaskRecord r{};
        r.dayFlags[3] = 1; // stale flags are cleared
        r.daily = 1;
        applyScheduleText(r, cp932(c.text));
        EXPECT_EQ(r.once, c.once);
        EXPECT_EQ(r.daily, c.daily);
        EXPECT_EQ(r.weekdays, c.weekdays);
        EXPECT_EQ(r.holidays, c.holidays);
        EXPECT_EQ(r.chosenDays, c.chosen);
        for (int d = 0; d < 7; ++d)
            EXPECT_EQ(r.dayFlags[d], c.days[d]) << "day " << d;
        EXPECT_EQ(scheduleTextFromFlags(r), cp932(c.back));
    }
}

TEST(ScheduleText, AllSevenDaysFitTheField) {
    TaskRecord r{};
    r.chosenDays = 1;
    for (int32_t& d : r.dayFlags)
        d = 1;
    const std::string text = scheduleTextFromFlags(r);
    EXPECT_EQ(text.size(), 26u);
    EXPECT_TRUE(setField(r.scheduleText, text));
}

TEST(ScheduleText, FirstSetFlagWins) {
    TaskRecord r{};
    r.weekdays = 1;
    r.holidays = 1;
    r.chosenDays = 1;
    r.dayFlags[1] = 1;
    EXPECT_EQ(scheduleTextFromFlags(r), cp932("平日"));
    TaskRecord none{};
    EXPECT_EQ(scheduleTextFromFlags(none), "");
}

TEST(ScheduleText, DayLettersAreFoundOnlyAtCharacterBoundaries) {
    // "ア日" style false matches: a trail byte followed by a lead byte must not spell a letter.
    // 0x93 0xFA is 日; in "\x82\x93\xFA\x40" the 0x93 is the trail byte of 0x82 0x93.
    EXPECT_FALSE(cp932Contains("\x82\x93\xFA\x40", schedule_text::kDays[0]));
    EXPECT_TRUE(cp932Contains(cp932("毎日"), schedule_text::kDays[0]));
}

TEST(Fields, BoundedReadsAndRefusedWrites) {
    char field[4] = {'a', 'b', 'c', 'd'}; // no terminator, as in a hostile file
    EXPECT_EQ(fieldView(field), "abcd");
    EXPECT_FALSE(setField(field, "abcd"));
    EXPECT_EQ(fieldView(field), "abcd"); // unchanged on refusal
    EXPECT_TRUE(setField(field, "xyz"));
    EXPECT_EQ(std::string(field, 4), std::string("xyz\0", 4));
    EXPECT_TRUE(equalsIgnoringAsciiCase("Report.TXT", "report.txt"));
    EXPECT_FALSE(equalsIgnoringAsciiCase(cp932("ａ"), cp932("Ａ"))); // only ASCII folds
    EXPECT_LT(compareIgnoringAsciiCase("2010/01/05", "2010/01/06"), 0);
    EXPECT_EQ(compareIgnoringAsciiCase("ABC", "abc"), 0);
    EXPECT_GT(compareIgnoringAsciiCase("abcd", "abc"), 0);
}

TEST(Fields, CaseFoldsOnlySingleByteLetters) {
    struct Case {
        std::string a, b;
        bool equal;
    };
    const Case cases[] = {
        {cp932("ネット"), cp932("キット"), false}, // second bytes 'l' and 'L'
        {cp932("ア"), cp932("ヂ"), false},         // 'A' and 'a'
        {cp932("休日"), "\x8B\x58\x93\xFA", false},
        {cp932("ｱB.TXT"), cp932("ｱb.txt"), true}, // half-width kana are single bytes
        {"dir\x83", "DIR\x83", true},             // a lead byte cut off at the end
    };
    for (const Case& c : cases) {
        EXPECT_EQ(equalsIgnoringAsciiCase(c.a, c.b), c.equal) << c.a;
        EXPECT_EQ(compareIgnoringAsciiCase(c.a, c.b) == 0, c.equal) << c.a;
    }
}

} // namespace
