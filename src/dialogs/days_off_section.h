#pragma once
// The section "独自の休日" of the holiday list: the user's own days off (a company's year-end
// days, its founding day) with 追加 (a date and a name), 削除, 読み込み and 書き出し as CSV. The
// section only edits a list; whoever owns it saves the list and puts it in force.

#include "store/holiday_data.h"

#include <QGroupBox>
#include <functional>
#include <vector>

class QDateEdit;
class QLineEdit;
class QTableWidget;

class DaysOffSection : public QGroupBox {
    Q_OBJECT
public:
    // Saves and puts in force a changed list; false when it could not (it said why), and the
    // section then keeps the list it had.
    using Save = std::function<bool(const std::vector<HolidayRow>&)>;

    DaysOffSection(std::vector<HolidayRow> days, Save save, QWidget* parent = nullptr);

    const std::vector<HolidayRow>& days() const { return days_; }

    // The buttons' work, also for tests: each ends in one save of the whole list.
    bool addDay(int32_t date, const std::string& name);
    bool removeSelected();
    bool importFile(const std::string& path);
    bool exportFile(const std::string& path);

private:
    bool commit(std::vector<HolidayRow> days);
    void showDays();

    std::vector<HolidayRow> days_; // in date order
    Save save_;
    QDateEdit* date_ = nullptr;
    QLineEdit* name_ = nullptr;
    QTableWidget* table_ = nullptr;
};
