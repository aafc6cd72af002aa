#pragma once
// The imported holiday file: checking a file the user names, installing it as holidays.csv
// beside the settings file, and putting the installed copy in force. Putting it in force always
// goes the same way, whoever asks (start-up, the import and revert commands, a copy installed
// or removed by another program): the calendar rebuilt, every next run recomputed, the task
// file written once.

#include "engine/holiday_csv.h"
#include "engine/holiday_sources.h"
#include "store/app_context.h"

#include <string>

inline constexpr const char* kHolidayFileName = "holidays.csv";

// holidays.csv in the settings folder (native path).
std::string holidayFilePath();

// Reads and checks the holiday file at `path` (native). When it is refused, `refusal` holds the
// whole message to show: which file and the reason (see holidayRefusalMessage).
HolidayCsv MyHolidayCheckFile(const std::string& path);

// "祝日データ(<file>) を読み込めません。" and the reason on the next line.
std::string holidayRefusalMessage(const std::string& file, const std::string& reason);

// Writes an accepted file as UTF-8 to `target` (atomically, mode 0600). Empty when it was
// written, else the message to show; an old copy then stays as it was.
std::string MyHolidayWriteCopy(const HolidayCsv& csv, const std::string& target);

// What the installed copy at `path` holds: its rows when it is acceptable, else no rows and
// the reason in `refusal`. No file: no rows and no refusal.
HolidayFileState MyHolidayReadInstalled(const std::string& path);

// Start-up, after MyCalMake and before the first next run is computed: looks for holidays.csv
// and, when it is acceptable, builds the calendar from it. From then on the file is watched.
void MyHolidayLoadAtStartup(AppContext& ctx, const std::string& path);

// Puts `state` in force. The caller holds taskLock.
void MyHolidayApply(AppContext& ctx, HolidayFileState state);

// Reads the installed copy afresh and puts it in force (after an import or a revert). Takes
// taskLock.
void MyHolidayReload(AppContext& ctx);

// When the installed copy was replaced, changed or removed since it was read, puts what is
// there now in force. True when it did (the list then needs redrawing). Takes taskLock; a cheap
// look at the file when nothing changed.
bool MyHolidayReloadIfChanged(AppContext& ctx);

// Which source serves which years, one "YYYY年～YYYY年: <source>" line each.
std::string holidayRangesText(const HolidaySources& sources);
