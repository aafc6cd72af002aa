#include "dialogs/schedule_group.h"

#include "dialogs/dialog_font.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGridLayout>
#include <QRadioButton>

namespace {
const char* const kKindNames[] = {"once", "daily", "weekdays", "holidays", "chosenDays"};
} // namespace

ScheduleGroup::ScheduleGroup(TaskRecord& record, QWidget* parent)
    : QGroupBox(QStringLiteral("スケジュール"), parent), record_(record),
      group_(new QButtonGroup(this)) {
    setObjectName(QStringLiteral("schedule"));
    const QStringList kindTexts = {QStringLiteral("１回のみ"), QStringLiteral("毎日"),
                                   QStringLiteral("平日"), QStringLiteral("休日"),
                                   QStringLiteral("曜日指定")};
    const QStringList dayTexts = {QStringLiteral("日"), QStringLiteral("月"), QStringLiteral("火"),
                                  QStringLiteral("水"), QStringLiteral("木"), QStringLiteral("金"),
                                  QStringLiteral("土")};
    auto* grid = new QGridLayout(this);
    grid->setHorizontalSpacing(dluX(font(), 2));
    grid->setVerticalSpacing(dluY(font(), 7));
    for (int kind = Once; kind <= ChosenDays; ++kind) {
        auto* button = new QRadioButton(kindTexts[kind], this);
        button->setObjectName(QString::fromLatin1(kKindNames[kind]));
        // The kind buttons are reached with the mouse; tabbing goes through the day boxes.
        button->setFocusPolicy(Qt::ClickFocus);
        group_->addButton(button, kind);
        kinds_[kind] = button;
        if (kind == ChosenDays) {
            grid->addWidget(button, 1, 0);
            connect(button, &QRadioButton::clicked, this, [this] { chooseDays(); });
        } else {
            grid->addWidget(button, 0, kind);
            connect(button, &QRadioButton::clicked, this,
                    [this, kind] { setKind(static_cast<Kind>(kind)); });
        }
    }
    for (int day = 0; day < 7; ++day) {
        auto* box = new QCheckBox(dayTexts[day], this);
        box->setObjectName(QStringLiteral("day%1").arg(day));
        grid->addWidget(box, 1, day + 1);
        days_[day] = box;
        connect(box, &QCheckBox::clicked, this,
                [this, day](bool checked) { setDay(day, checked); });
    }
    grid->setColumnStretch(8, 1);
}

void ScheduleGroup::resetDayBoxes(bool enabled) {
    for (QCheckBox* box : days_) {
        box->setChecked(false);
        box->setEnabled(enabled);
    }
}

void ScheduleGroup::checkKind(QRadioButton* button) {
    if (button) {
        button->setChecked(true);
        return;
    }
    // An exclusive group never lets its last button go by itself.
    group_->setExclusive(false);
    for (QRadioButton* kind : kinds_)
        kind->setChecked(false);
    group_->setExclusive(true);
}

void ScheduleGroup::showFlags() {
    resetDayBoxes(false);
    QRadioButton* checked = nullptr;
    if (record_.once)
        checked = kinds_[Once];
    else if (record_.daily)
        checked = kinds_[Daily];
    else if (record_.weekdays)
        checked = kinds_[Weekdays];
    else if (record_.holidays)
        checked = kinds_[Holidays];
    else if (record_.chosenDays)
        checked = kinds_[ChosenDays];
    checkKind(checked);
    if (checked == kinds_[ChosenDays]) {
        for (int day = 0; day < 7; ++day) {
            days_[day]->setEnabled(true);
            days_[day]->setChecked(record_.dayFlags[day] != 0);
        }
    }
}

void ScheduleGroup::setKind(Kind kind) {
    resetDayBoxes(false);
    record_.once = kind == Once;
    record_.daily = kind == Daily;
    record_.weekdays = kind == Weekdays;
    record_.holidays = kind == Holidays;
    record_.chosenDays = 0;
    for (int32_t& flag : record_.dayFlags)
        flag = 0;
    checkKind(kinds_[kind]);
}

void ScheduleGroup::chooseDays() {
    resetDayBoxes(true);
    record_.once = record_.daily = record_.weekdays = record_.holidays = 0;
    record_.chosenDays = 1;
    for (int32_t& flag : record_.dayFlags)
        flag = 0;
    checkKind(kinds_[ChosenDays]);
}

void ScheduleGroup::setDay(int day, bool checked) {
    days_[day]->setChecked(checked);
    record_.dayFlags[day] = checked ? 1 : 0;
}
