#pragma once
// A holiday's date as the holiday list shows it: "2027/01/01 (金)".

#include <QString>
#include <cstdint>

// `date` is YYYYMMDD.
QString holidayDateText(int32_t date);
