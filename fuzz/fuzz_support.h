#pragma once
// What every fuzz target needs: a private folder for its files, a fixed clock, a calendar.

#include "store/app_context.h"

#include <string>
#include <string_view>

namespace fuzz_support {

// A private folder (0700) made once per process and the environment pointed into it, so that
// nothing a target does reaches the user's files.
const std::string& privateFolder();

// Fixes the clock at 2024-05-10 12:00:00 (a Friday), for the whole process.
void fixClock();

// A built calendar, copied into the context.
void giveCalendar(AppContext& ctx);

// Stops the run with a crash that libFuzzer reports, saying which property failed.
[[noreturn]] void fail(const char* what);

// Splits the input at '\n' into at most `count` texts; missing ones are empty.
std::vector<std::string> splitTexts(std::string_view input, size_t count);

} // namespace fuzz_support
