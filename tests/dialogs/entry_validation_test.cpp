// The checks of the task entry dialog's OK, without a window.

#include "dialog_test_support.h"
#include "dialogs/entry_validation.h"
#include "store/fields.h"
#include "support/task_builders.h"

#include <cstring>

namespace {

using testing_support::cp932;

constexpr char kRunTimeDigits[] =
    "実行時刻は数値４桁（hhmm）または５桁（hh:mm）を入力してください。";
constexpr char kRunTimeSeparator[] = "実行時刻の区切り文字は : を入力してください。";
constexpr char kStartDigits[] = "開始日は数値８桁または yyyy/mm/dd を入力してください。";
constexpr char kStartSeparator[] = "開始日の区切り文字は / または - または . を入力してください。";
constexpr char kStartMonth[] = "開始日（月）は 00 ～ 12 を入力してください。";
constexpr char kStartDay[] = "開始日（日）は 01 ～ 31 を入力してください。";
constexpr char kOnceQuestion[] =
    "「１回のみ」が選択されているので終了日を無視します。\nよろしいですか？";

TaskRecord named(const std::string& name) {
    testing_support::TaskDraft draft;
    draft.name = name;
    return testing_support::makeTask(draft);
}

class EntryValidationTest : public dialog_test::DialogTest {
protected:
    void SetUp() override {
        DialogTest::SetUp();
        texts = {"task", batch, "0930", "", ""};
        working.daily = 1;
        working.state = StateWaiting;
    }

    EntryCheck check(EntryMode mode = ModeAdd, int editIndex = 0) {
        questions.clear();
        return checkTaskEntry(texts, working, mode, editIndex, tasks,
                              [this](const std::string& question) {
                                  questions.push_back(question);
                                  return answer;
                              });
    }

    EntryTexts texts;
    TaskRecord working{};
    std::vector<TaskRecord> tasks;
    std::vector<std::string> questions;
    bool answer = true;
};

struct FieldCase {
    std::string input;
    std::string message; // empty when accepted
    std::string stored;  // the normalised text when accepted
    int number = 0;      // the date number when accepted
};

TEST_F(EntryValidationTest, RunTimeForms) {
    const FieldCase cases[] = {
        {"0930", "", "09:30", 0},
        {"23:59", "", "23:59", 0},
        {"0000", "", "00:00", 0},
        {"9:30", kRunTimeDigits, "", 0},
        {"09.30", kRunTimeSeparator, "", 0},
        {"0a:30", kRunTimeDigits, "", 0}, // the first offending character decides
        {"09.3x", kRunTimeSeparator, "", 0},
        {"24:00", "実行時刻（時）は 00 ～ 23 を入力してください。", "", 0},
        {"2400", "実行時刻（時）は 00 ～ 23 を入力してください。", "", 0},
        {"23:60", "実行時刻（分）は 00 ～ 59 を入力してください。", "", 0},
        {"", kRunTimeDigits, "", 0},
        {"093", kRunTimeDigits, "", 0},
        {"０９３０", kRunTimeDigits, "", 0},
        {"09:3😀", kRunTimeDigits, "", 0},
    };
    for (const FieldCase& c : cases) {
        SCOPED_TRACE(c.input);
        texts.runTime = c.input;
        const EntryCheck result = check();
        if (c.message.empty()) {
            ASSERT_TRUE(result.accepted) << result.message;
            EXPECT_EQ(fieldString(result.record.runTime), c.stored);
        } else {
            EXPECT_FALSE(result.accepted);
            EXPECT_EQ(result.message, c.message);
            EXPECT_EQ(result.focus, EntryField::RunTime);
        }
    }
}

TEST_F(EntryValidationTest, StartDateForms) {
    const FieldCase cases[] = {
        {"20100105", "", "2010/01/05", 20100105},   {"2010/01/05", "", "2010/01/05", 20100105},
        {"2010-01-05", "", "2010/01/05", 20100105}, {"2010.01.05", "", "2010/01/05", 20100105},
        {"2010/01-05", "", "2010/01/05", 20100105}, {"2010/02/31", "", "2010/02/31", 20100231},
        {"2010a01/05", kStartSeparator, "", 0},     {"2010/01x05", kStartSeparator, "", 0},
        {"201a/01/05", kStartDigits, "", 0},        {"2010/00/05", kStartMonth, "", 0},
        {"20101305", kStartMonth, "", 0},           {"2010/01/00", kStartDay, "", 0},
        {"2010/01/32", kStartDay, "", 0},           {"2010/1/5", kStartDigits, "", 0},
        {"2010010", kStartDigits, "", 0},           {"2010010a", kStartDigits, "", 0},
    };
    for (const FieldCase& c : cases) {
        SCOPED_TRACE(c.input);
        texts.startDate = c.input;
        const EntryCheck result = check();
        if (c.message.empty()) {
            ASSERT_TRUE(result.accepted) << result.message;
            EXPECT_EQ(fieldString(result.record.startDateText), c.stored);
            EXPECT_EQ(result.record.startDate, c.number);
        } else {
            EXPECT_FALSE(result.accepted);
            EXPECT_EQ(result.message, c.message);
            EXPECT_EQ(result.focus, EntryField::StartDate);
        }
    }
}

TEST_F(EntryValidationTest, EndDateRules) {
    struct Case {
        std::string start, end, message;
        EntryField focus;
    };
    const Case cases[] = {
        {"", "2010/01/05", "開始日を入力してください。", EntryField::EndDate},
        {"2010/01/05", "2010/01/05", "", EntryField::None},
        {"2010/01/05", "20100106", "", EntryField::None},
        {"2010/01/05", "2010/01/04", "終了日は開始日よりも未来の日付を入力してください。",
         EntryField::EndDate},
        {"2010/01/05", "2010/1/5", "終了日は数値８桁または yyyy/mm/dd を入力してください。",
         EntryField::EndDate},
        {"2010/01/05", "2010_01/05",
         "終了日の区切り文字は / または - または . を入力してください。", EntryField::EndDate},
        {"2010/01/05", "2010/13/05", "終了日（月）は 00 ～ 12 を入力してください。",
         EntryField::EndDate},
        {"2010/01/05", "2010/12/32", "終了日（日）は 01 ～ 31 を入力してください。",
         EntryField::EndDate},
        {"2010/0105", "2010/01/05", kStartDigits, EntryField::StartDate},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.start + " .. " + c.end);
        texts.startDate = c.start;
        texts.endDate = c.end;
        const EntryCheck result = check();
        EXPECT_EQ(result.accepted, c.message.empty());
        EXPECT_EQ(result.message, c.message);
        EXPECT_EQ(result.focus, c.focus);
        if (result.accepted) {
            EXPECT_EQ(result.record.endDate,
                      testing_support::dateOf(fieldString(result.record.endDateText)));
            EXPECT_GE(result.record.endDate, result.record.startDate);
        }
    }
}

TEST_F(EntryValidationTest, NoDatesLeaveZeroTextsAndNumbers) {
    std::memset(working.startDateText, 'x', sizeof working.startDateText);
    std::memset(working.endDateText, 'x', sizeof working.endDateText);
    working.startDate = 5;
    working.endDate = 5;
    setField(working.lastRunText, "2011/02/03");
    working.nextRunDate = 7; // no text: recomputed to 0
    const EntryCheck result = check();
    ASSERT_TRUE(result.accepted) << result.message;
    const char zeros[16] = {};
    EXPECT_EQ(std::memcmp(result.record.startDateText, zeros, 16), 0);
    EXPECT_EQ(std::memcmp(result.record.endDateText, zeros, 16), 0);
    EXPECT_EQ(result.record.startDate, 0);
    EXPECT_EQ(result.record.endDate, 0);
    EXPECT_EQ(result.record.lastRunDate, 20110203);
    EXPECT_EQ(result.record.nextRunDate, 0);
    // The resolved program of a batch file is the file itself; the state is left alone.
    EXPECT_EQ(fieldString(result.record.executableFile), cp932(batch));
    EXPECT_EQ(fieldString(result.record.registeredFile), cp932(batch));
    EXPECT_EQ(result.record.state, StateWaiting);
}

TEST_F(EntryValidationTest, OnceOnlyWithEndDateAsksFirst) {
    working.daily = 0;
    working.once = 1;
    texts.startDate = "2010/01/05";
    texts.endDate = "2010/02/05";

    answer = true;
    EntryCheck result = check();
    ASSERT_TRUE(result.accepted) << result.message;
    EXPECT_EQ(questions, std::vector<std::string>{kOnceQuestion});
    EXPECT_EQ(fieldString(result.record.endDateText), "");
    EXPECT_EQ(result.record.endDate, 0);
    EXPECT_EQ(result.record.startDate, 20100105);

    answer = false;
    result = check();
    EXPECT_FALSE(result.accepted);
    EXPECT_EQ(questions.size(), 1u);
    EXPECT_EQ(result.message, "もう一度入力してください。");
    EXPECT_EQ(result.focus, EntryField::None);

    // Without an end date nothing is asked.
    texts.endDate.clear();
    EXPECT_TRUE(check().accepted);
    EXPECT_TRUE(questions.empty());
}

TEST_F(EntryValidationTest, DuplicateNames) {
    tasks.push_back(named("Backup"));
    tasks.push_back(named("日次集計"));
    const std::string duplicate = "名前が重複しています。\n別な名前を入力してください。";
    struct Case {
        std::string name;
        EntryMode mode;
        int editIndex;
        bool accepted;
    };
    const Case cases[] = {
        {"Backup", ModeChange, 0, true},  // unchanged name of the task being changed
        {"Backup", ModeChange, 1, false}, // another task's name
        {"BACKUP", ModeAdd, 0, false},    // ASCII case is ignored
        {"backup", ModeAddDropped, 2, false},
        {"日次集計", ModeAdd, 0, false},
        {"Backup2", ModeAdd, 0, true},
        {"日次集祁", ModeAdd, 0, true}, // 計 and 祁 differ only in a second byte's case
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        texts.name = c.name;
        const EntryCheck result = check(c.mode, c.editIndex);
        EXPECT_EQ(result.accepted, c.accepted);
        if (!c.accepted) {
            EXPECT_EQ(result.message, duplicate);
            EXPECT_EQ(result.focus, EntryField::Name);
        } else {
            EXPECT_EQ(fieldString(result.record.name), cp932(c.name));
        }
    }
}

TEST_F(EntryValidationTest, NameAndFileRefusals) {
    const std::string folder = home->scratch() + "/フォルダ";
    testing_support::makeDirs(folder);
    const std::string badProgram = home->scratch() + "/bad.exe";
    testing_support::writeFile(badProgram, "not a program\n");
    struct Case {
        std::string name, file, message;
        EntryField focus;
    };
    const Case cases[] = {
        {"", batch, "名前を入力してください。", EntryField::Name},
        {std::string(128, 'a'), batch, "名前は127バイト以内で入力してください。", EntryField::Name},
        {[] {
             std::string s;
             for (int i = 0; i < 64; ++i)
                 s += "名";
             return s;
         }(),
         batch, "名前は127バイト以内で入力してください。", EntryField::Name},
        {"task😀", batch, "名前にShift_JIS（cp932）で表せない文字が含まれています。",
         EntryField::Name},
        {"task", "", "登録ファイルを入力してください。", EntryField::RegisteredFile},
        {"task", home->scratch() + "/missing.txt", "登録ファイルが見つかりません。",
         EntryField::RegisteredFile},
        {"task", folder, "フォルダを指定することはできません。\n\n" + folder,
         EntryField::RegisteredFile},
        {"task", home->scratch() + "/😀.bat",
         "登録ファイルにShift_JIS（cp932）で表せない文字が含まれています。",
         EntryField::RegisteredFile},
        {"task", "/" + std::string(511, 'p'),
         "登録ファイルのパスは511バイト以内で指定してください。", EntryField::RegisteredFile},
        {"task", badProgram, ".EXE ファイルが無効です\n\n" + badProgram,
         EntryField::RegisteredFile},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        texts.name = c.name;
        texts.registeredFile = c.file;
        const EntryCheck result = check();
        EXPECT_FALSE(result.accepted);
        EXPECT_EQ(result.message, c.message);
        EXPECT_EQ(result.focus, c.focus);
    }
}

TEST_F(EntryValidationTest, LongestNamesThatFitAreKept) {
    for (const std::string& name : {std::string(127, 'a'), [] {
                                        std::string s = "a";
                                        for (int i = 0; i < 63; ++i)
                                            s += "名";
                                        return s;
                                    }()}) {
        texts.name = name;
        const EntryCheck result = check();
        ASSERT_TRUE(result.accepted) << result.message;
        EXPECT_EQ(fieldString(result.record.name), cp932(name));
        EXPECT_EQ(result.record.name[127], '\0');
    }
}

TEST_F(EntryValidationTest, ChosenDaysNeedOneDay) {
    working.daily = 0;
    working.chosenDays = 1;
    EntryCheck result = check();
    EXPECT_FALSE(result.accepted);
    EXPECT_EQ(result.message, "月 ～ 金 のいずれかを選択してください。");
    EXPECT_EQ(result.focus, EntryField::None);
    for (int day : {0, 6}) { // Sunday or Saturday alone is enough
        working.dayFlags[day] = 1;
        result = check();
        EXPECT_TRUE(result.accepted) << result.message;
        EXPECT_EQ(result.record.dayFlags[day], 1);
        working.dayFlags[day] = 0;
    }
}

TEST(DateNumberFromText, ReadsTheEightDigits) {
    EXPECT_EQ(dateNumberFromText("2010/01/05"), 20100105);
    EXPECT_EQ(dateNumberFromText(""), 0);
    EXPECT_EQ(dateNumberFromText("2010/0"), 20100);
    EXPECT_EQ(dateNumberFromText("garbage"), 0);
}

} // namespace
