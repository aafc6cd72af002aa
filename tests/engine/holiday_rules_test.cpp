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

TEST(HolidayRules, SubstituteSkipsNamedDaysAndDoesNotRepeat) {
    // 2029: 4/29 is a Sunday, 4/30 off. 2037: 5/3 is a Sunday, 5/4 and 5/5 are named days, so
    // Wednesday 5/6 is off. 2032: 5/2 is a Sunday but no holiday, so nothing moves to 5/3.
    const auto has = [](int year, int32_t date, const char* name) {
        for (const HolidayRow& row : MyHolidaysByRules(year)) {
            if (row.date == date)
                return row.name == name;
        }
        return false;
    };
    EXPECT_TRUE(has(2029, 20290430, "休日"));
    EXPECT_TRUE(has(2037, 20370506, "休日"));
    EXPECT_FALSE(has(2032, 20320502, "休日"));
}

} // namespace
