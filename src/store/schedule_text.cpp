#include "store/schedule_text.h"

#include "store/fields.h"

bool cp932Contains(std::string_view text, std::string_view needle) {
    if (needle.empty())
        return true;
    for (size_t i = 0; i < text.size();) {
        if (text.substr(i, needle.size()) == needle)
            return true;
        i += (isCp932LeadByte(static_cast<unsigned char>(text[i])) && i + 1 < text.size()) ? 2 : 1;
    }
    return false;
}

std::string scheduleTextFromFlags(const TaskRecord& record) {
    if (record.once)
        return std::string(schedule_text::kOnce);
    if (record.daily)
        return std::string(schedule_text::kDaily);
    if (record.weekdays)
        return std::string(schedule_text::kWeekdays);
    if (record.holidays)
        return std::string(schedule_text::kHolidays);
    std::string text;
    if (record.chosenDays) {
        for (int day = 0; day < 7; ++day) {
            if (!record.dayFlags[day])
                continue;
            if (!text.empty())
                text += schedule_text::kSeparator;
            text += schedule_text::kDays[day];
        }
    }
    return text;
}

void applyScheduleText(TaskRecord& record, std::string_view text) {
    record.once = record.daily = record.weekdays = record.holidays = record.chosenDays = 0;
    for (int32_t& flag : record.dayFlags)
        flag = 0;
    if (equalsIgnoringAsciiCase(text, schedule_text::kOnce)) {
        record.once = 1;
    } else if (equalsIgnoringAsciiCase(text, schedule_text::kDaily)) {
        record.daily = 1;
    } else if (equalsIgnoringAsciiCase(text, schedule_text::kWeekdays)) {
        record.weekdays = 1;
    } else if (equalsIgnoringAsciiCase(text, schedule_text::kHolidays)) {
        record.holidays = 1;
    } else {
        record.chosenDays = 1;
        for (int day = 0; day < 7; ++day)
            record.dayFlags[day] = cp932Contains(text, schedule_text::kDays[day]) ? 1 : 0;
    }
}
