#pragma once
// The dialog "祝日の一覧": which source serves which years, and every holiday of a year chosen
// with a spin box, with its name and source. It shows a copy of the holiday data taken when it
// opened, so it holds no lock while it is open.

#include "engine/holiday_sources.h"

#include <QDialog>
#include <string>

class QLabel;
class QSpinBox;
class QTableWidget;
class QHBoxLayout;
class QVBoxLayout;

class CDialogHolidayList : public QDialog {
    Q_OBJECT
public:
    // `note` is shown above the sources (the installed file that could not be used); may be
    // empty. `year` is the year shown first.
    CDialogHolidayList(HolidaySources sources, const std::string& note, int year,
                       QWidget* parent = nullptr);

    void showYear(int year);
    // A section of its own (the own days off, the official data) below the list.
    void addSection(QWidget* section);
    // The holiday data after a change made from the dialog; the year shown stays.
    void setSources(HolidaySources sources);

protected:
    // Enter in the year field shows that year; it does not close the dialog.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    HolidaySources sources_;
    QSpinBox* year_ = nullptr;
    QTableWidget* table_ = nullptr;
    QLabel* none_ = nullptr; // in the table's place for a year without holidays
    QVBoxLayout* page_ = nullptr;
    QHBoxLayout* sections_ = nullptr;
};
