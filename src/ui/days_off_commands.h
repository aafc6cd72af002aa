#pragma once
// The own days off and the official holiday data in the window: the two sections of the
// holiday list, saving an edited list of own days off, installing the official file that comes
// with the program, and telling the user what changed in the holiday files while it ran.

#include "store/holiday_data.h"

#include <string>
#include <vector>

class CChorelinView;
class CDialogHolidayList;

// Writes days-off.csv and puts it in force as an import does (the calendar rebuilt under
// taskLock, every next run recomputed, one task-file write, the list redrawn). False, after a
// message, when it could not be written; nothing changes then.
bool saveDaysOff(CChorelinView& view, const std::vector<HolidayRow>& days);

// "同梱の公式データを使う": installs the official file compiled into the program exactly as an
// import of it would.
bool useOfficialHolidays(CChorelinView& view);

// Adds the sections 独自の休日 and 内閣府の公式データ to the holiday list; each change made there
// is put in force at once and shown in the list.
void addHolidayListSections(CChorelinView& view, CDialogHolidayList& dialog);

// What the once-per-start notice says beyond the national data's end: an own days-off file that
// could not be used, and, once for good (the settings remember it), where the built-in table in
// force differs from the official calendar. Empty when nothing.
std::string extraHolidayNotice(CChorelinView& view);

// Shows and clears what the scheduler found changed in the holiday files (AppContext's
// holidayNews). Returns the text shown, empty when there was none.
std::string showHolidayNews(CChorelinView& view);

// The settings key that remembers the notice of the built-in table's differences was given.
inline constexpr const char* kBuiltinNoticeKey = "BuiltinHolidayNoticeShown";
