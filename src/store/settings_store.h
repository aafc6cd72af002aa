#pragma once
// The two user settings: the default interval (minutes) and the default schedule text.

#include "store/app_context.h"

#include <cstddef>

inline constexpr int kDefaultInterval = 10;

// 0 read, -911 the store cannot be opened, -893 "DefaultInterval" unreadable, -900
// "DefaultSchedule" unreadable, -904 the schedule text does not fit scheduleSize with its
// terminator. On any failure neither output changes.
int MyConfigRead(int32_t& intervalOut, char* scheduleOut, size_t scheduleSize);

// Writes both values and sets them in the context. 0 written, -866 the store cannot be opened
// or created.
int MyConfigWrite(AppContext& ctx, int32_t interval, const char* schedule);

// Start-up: read both; on any failure use and store the defaults 10 and "毎日".
void MyConfigLoadAtStartup(AppContext& ctx);
