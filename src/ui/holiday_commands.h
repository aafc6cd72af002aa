#pragma once
// The holiday commands of the file menu: import a holiday file, go back to the built-in table,
// and the list of holidays; and the once-per-start notice about the holiday data.

#include "engine/holiday_csv.h"

#include <string>

class CChorelinView;

// "祝日データの読み込み(&L)...": a file dialog, then importHolidayFile.
void runHolidayImportCommand(CChorelinView& view);
// Checks the file, installs it as holidays.csv and puts it in force, redraws the list and says
// what serves which years. A refused file only gets its message; nothing changes. True when
// the file was installed.
bool importHolidayFile(CChorelinView& view, const std::string& path);
// The second half of an import, for a file already checked: installs it, puts it in force,
// redraws the list and says what serves which years.
bool installHolidayData(CChorelinView& view, const HolidayCsv& csv);
// "組み込みの祝日表に戻す": asks, then removes holidays.csv and puts the built-in table back.
void runHolidayRevertCommand(CChorelinView& view);
// Whether an imported holiday file is installed: "組み込みの祝日表に戻す" is offered only then.
bool holidayFileInstalled(CChorelinView& view);
// "祝日の一覧...": the dialog, on the year of today.
void runHolidayListCommand(CChorelinView& view);

// Once per start: tells the user when the holiday data ends within 90 days or has ended, or
// that the installed file could not be used. Shown as a tray message where a tray shows the
// icon, else as a box that does not block the window (a modal box at start-up would hold the
// list's first appearance hostage). Returns the text shown, empty when there was none.
std::string showHolidayNotice(CChorelinView& view);
// Shows a notice about the holiday data the way showHolidayNotice does.
void showHolidayMessage(CChorelinView& view, const std::string& notice);
