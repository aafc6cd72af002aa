#pragma once
// The text form of a schedule, in cp932 as records and settings hold it.

#include "store/task_record.h"

#include <array>
#include <string>
#include <string_view>

namespace schedule_text {
inline constexpr std::string_view kOnce = "\x82\x50\x89\xF1\x82\xCC\x82\xDD"; // １回のみ
inline constexpr std::string_view kDaily = "\x96\x88\x93\xFA";                // 毎日
inline constexpr std::string_view kWeekdays = "\x95\xBD\x93\xFA";             // 平日
inline constexpr std::string_view kHolidays = "\x8B\x78\x93\xFA";             // 休日
inline constexpr std::string_view kSeparator = "\x81\x45";                    // ・
// 日 月 火 水 木 金 土, Sunday first
inline constexpr std::array<std::string_view, 7> kDays = {
    "\x93\xFA", "\x8C\x8E", "\x89\xCE", "\x90\x85", "\x96\xD8", "\x8B\xE0", "\x93\x79"};
} // namespace schedule_text

// The first set flag among once, daily, weekdays, holidays gives its text; chosen days give
// their day letters Sunday to Saturday joined by "・"; no flag gives an empty text.
std::string scheduleTextFromFlags(const TaskRecord& record);

// Sets the five schedule flags and the day flags from a schedule text: the four fixed texts are
// compared whole (ASCII case ignored), any other text means chosen days, with each day whose
// letter occurs in it. An empty text therefore yields chosen days with no day.
void applyScheduleText(TaskRecord& record, std::string_view text);

// True when `needle` occurs in `text` at a character boundary of cp932 text.
bool cp932Contains(std::string_view text, std::string_view needle);
