#include "engine/holiday_rules.h"

#include "engine/holiday_csv.h"
#include "holiday_test_data.h"

#include <gtest/gtest.h>

namespace {

using namespace holiday_test;

std::vector<std::pair<int32_t, std::string>> asPairs(const std::vector<HolidayRow>& rows) {
    std::vector<std::pair<int32_t, std::string>> pairs;
    for (const HolidayRow& row : rows)
        pairs.emplace_back(row.date, row.name);
    return pairs;
}

// Every official holiday of 2024 to 2027, substitute and in-between days included (2026/9/22),
// and nothing more.
TEST(HolidayRules, GiveTheOfficialHolidaysOf2024To2027) {
    const HolidayCsv sample = parseHolidayCsv(sampleBytes());
    ASSERT_TRUE(sample.accepted());
    for (int year = 2024; year <= 2027; ++year) {
        SCOPED_TRACE(year);
        std::vector<HolidayRow> official;
        for (const HolidayRow& row : sample.rows) {
            if (row.date / 10000 == year)
                official.push_back(row);
        }
        EXPECT_EQ(asPairs(MyHolidaysByRules(year)), asPairs(official));
    }
}

TEST(HolidayRules, EquinoxDaysFollowTheFormula) {
    const struct {
        int year, vernal, autumnal;
    } cases[] = {{2024, 20, 22}, {2025, 20, 23}, {2027, 21, 23}, {2028, 20, 22},
                 {2030, 20, 23}, {2044, 20, 22}, {2055, 21, 23}, {2069, 20, 22}};
    for (const auto& c : cases) {
        EXPECT_EQ(vernalEquinoxDay(c.year), c.vernal) << c.year;
        EXPECT_EQ(autumnalEquinoxDay(c.year), c.autumnal) << c.year;
    }
}

} // namespace
