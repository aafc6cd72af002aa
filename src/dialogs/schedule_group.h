#pragma once
// The "スケジュール" group shared by the task entry and settings dialogs: five exclusive kind
// buttons and seven day boxes, Sunday first. The schedule state lives only in the flags of the
// record the group is bound to; the handlers keep the flags and the boxes in step.

#include "store/task_record.h"

#include <QGroupBox>
#include <array>

class QButtonGroup;
class QCheckBox;
class QRadioButton;

class ScheduleGroup : public QGroupBox {
    Q_OBJECT
  public:
    enum Kind { Once, Daily, Weekdays, Holidays, ChosenDays };

    ScheduleGroup(TaskRecord& record, QWidget* parent);

    // Shows the record's flags: every day box unchecked and disabled, then the button of the
    // first set flag checked (none when no flag is set) and, for chosen days, the day boxes
    // enabled and checked as the day flags say.
    void showFlags();

    QRadioButton* kindButton(Kind kind) const { return kinds_[kind]; }
    QCheckBox* dayBox(int day) const { return days_[day]; }

    // The user's choices: one of the four fixed kinds, chosen days, and a day box.
    void setKind(Kind kind);
    void chooseDays();
    void setDay(int day, bool checked);

  private:
    void checkKind(QRadioButton* button);
    void resetDayBoxes(bool enabled);

    TaskRecord& record_;
    QButtonGroup* group_;
    std::array<QRadioButton*, 5> kinds_{};
    std::array<QCheckBox*, 7> days_{};
};
