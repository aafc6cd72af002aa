// The time and date pop-ups: they open on the local clock and yield the entry fields' forms.

#include "dialog_test_support.h"
#include "dialogs/picker_dialogs.h"
#include "support/fake_clock.h"

#include <QDateEdit>
#include <QPushButton>
#include <QTimeEdit>

namespace {

using PickerTest = dialog_test::DialogTest;

TEST_F(PickerTest, TimePickerOpensOnTheClockAndYieldsHoursAndMinutes) {
    testing_support::FakeClock clock(2011, 1, 5, 7, 5, 42);
    CDialogTimePicker picker;
    EXPECT_EQ(picker.picker()->time().hour(), 7);
    EXPECT_EQ(picker.picker()->time().minute(), 5);
    EXPECT_TRUE(picker.resultText().isEmpty());
    picker.findChild<QPushButton*>("ok")->click();
    EXPECT_EQ(picker.result(), QDialog::Accepted);
    EXPECT_EQ(picker.resultText(), QStringLiteral("07:05")); // seconds dropped
}

TEST_F(PickerTest, DatePickerOpensOnTheClockAndYieldsTheDate) {
    testing_support::FakeClock clock(2011, 1, 5, 23, 59);
    CDialogDatePicker picker;
    EXPECT_EQ(picker.picker()->date(), QDate(2011, 1, 5));
    EXPECT_TRUE(picker.picker()->calendarPopup());
    picker.picker()->setDate(QDate(2012, 11, 30));
    picker.OnOK();
    EXPECT_EQ(picker.resultText(), QStringLiteral("2012/11/30"));
}

TEST_F(PickerTest, CancelLeavesTheResultEmpty) {
    testing_support::FakeClock clock(2011, 1, 5, 7, 5);
    CDialogTimePicker time;
    time.findChild<QPushButton*>("cancel")->click();
    EXPECT_EQ(time.result(), QDialog::Rejected);
    EXPECT_TRUE(time.resultText().isEmpty());
    CDialogDatePicker date;
    date.findChild<QPushButton*>("cancel")->click();
    EXPECT_EQ(date.result(), QDialog::Rejected);
    EXPECT_TRUE(date.resultText().isEmpty());
}

} // namespace
