#pragma once
// The imported holiday file and the user's own days off: checking a file the user names,
// installing it as holidays.csv (or days-off.csv) beside the settings file, and putting the
// installed copies in force. Putting it in force always
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

// days-off.csv in the settings folder, and the one beside a holidays.csv (native paths).
std::string daysOffFilePath();
std::string daysOffPathBeside(const std::string& holidayPath);

// The holidays in force: the national ones and the own days off on top. The caller holds
// taskLock (or owns ctx alone).
HolidaySources MyHolidaySources(const AppContext& ctx);

// Reads and checks the holiday file at `path` (native). When it is refused, `refusal` holds the
// whole message to show: which file and the reason (see holidayRefusalMessage).
HolidayCsv MyHolidayCheckFile(const std::string& path);

// "祝日データ(<file>) を読み込めません。" and the reason on the next line.
std::string holidayRefusalMessage(const std::string& file, const std::string& reason);

// Writes an accepted file as UTF-8 to `target` (atomically, mode 0600). Empty when it was
// written, else the message to show; an old copy then stays as it was.
std::string MyHolidayWriteCopy(const HolidayCsv& csv, const std::string& target);

// What the installed copy at `path` holds: its rows when it is acceptable, else no rows and
// the reason in `refusal`. No file: no rows and no refusal. A file is acceptable only when it
// and its folder pass the task file's trust rule.
HolidayFileState MyHolidayReadInstalled(const std::string& path);
// The same for days-off.csv.
HolidayFileState MyDaysOffReadInstalled(const std::string& path);

// Reads and checks a days-off file the user names (読み込み); `refusal` as MyHolidayCheckFile.
HolidayCsv MyDaysOffCheckFile(const std::string& path);
// Writes the own days off to `target` (atomically, mode 0600). Empty when written, else the
// message to show.
std::string MyDaysOffWrite(const std::vector<HolidayRow>& rows, const std::string& target);

// Start-up, after MyCalMake and before the first next run is computed: looks for holidays.csv
// and days-off.csv beside it and, when they are acceptable, builds the calendar from them. From
// then on both files and their folder are watched.
void MyHolidayLoadAtStartup(AppContext& ctx, const std::string& path);

// Puts `state` in force. The caller holds taskLock.
void MyHolidayApply(AppContext& ctx, HolidayFileState state);

// Reads both installed copies afresh and puts them in force (after an import, a revert or an
// edit of the own days off). Takes taskLock.
void MyHolidayReload(AppContext& ctx);

// When an installed copy (or its folder's owner or mode) was replaced, changed or removed since
// it was read, puts what is there now in force and, when what is in force changed, adds what to
// tell the user to ctx.holidayNews. True when it did (the list then needs redrawing). Takes
// taskLock; a cheap look at the files when nothing changed.
bool MyHolidayReloadIfChanged(AppContext& ctx);

// Which source serves which years, one "YYYY年～YYYY年: <source>" line each.
std::string holidayRangesText(const HolidaySources& sources);
