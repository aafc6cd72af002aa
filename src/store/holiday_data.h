#pragma once
// The holiday data in force: the rows of holidays.csv (the imported national holidays) and of
// days-off.csv (the user's own days off) beside the settings file, kept with the calendar they
// built. Guarded by taskLock, as the calendar is.

#include "platform/settings_files.h"

#include <cstdint>
#include <string>
#include <vector>

// One row of a holiday file.
struct HolidayRow {
    int32_t date = 0; // YYYYMMDD
    std::string name; // UTF-8, never empty in a file that was accepted
};

struct HolidayFileState {
    // The file beside the settings file (native path); empty when nobody looked for it,
    // which leaves the built-in table alone in force and nothing watched.
    std::string path;
    // The file as it was when it was last read (exists == false: there was none).
    platform::FileStamp stamp;
    // The folder that holds it, as it was then: a folder that others may now write makes the
    // file one not to be believed any more.
    platform::FileStamp folder;
    // The rows in force, in date order; empty: the built-in table alone.
    std::vector<HolidayRow> rows;
    // Why the file on disk is not in force (UTF-8 message); empty when it is, or when none.
    std::string refusal;
};
