#include "engine/days_off_csv.h"
#include "engine/holiday_csv.h"

#include "holiday_test_data.h"

#include <gtest/gtest.h>

namespace {

using namespace holiday_test;

std::string crlf(const std::string& lf) {
    std::string out;
    for (char c : lf) {
        if (c == '\n')
            out += '\r';
        out += c;
    }
    return out;
}

TEST(HolidayCsv, ReadsTheSampleInEveryEncodingAndLineEnd) {
    const std::string utf8 = sampleUtf8Lf();
    const std::string cp932Lf = platform::utf8ToCp932(utf8).value();
    const struct {
        const char* label;
        std::string bytes;
    } forms[] = {
        {"Shift_JIS CRLF (as published)", sampleBytes()},
        {"Shift_JIS LF", cp932Lf},
        {"UTF-8 LF", utf8},
        {"UTF-8 CRLF", crlf(utf8)},
        {"UTF-8 with BOM", "\xEF\xBB\xBF" + crlf(utf8)},
    };
    for (const auto& form : forms) {
        SCOPED_TRACE(form.label);
        const HolidayCsv csv = parseHolidayCsv(form.bytes);
        ASSERT_TRUE(csv.accepted()) << csv.refusal;
        ASSERT_EQ(csv.rows.size(), 84u);
        EXPECT_EQ(csv.rows.front().date, 19550101);
        EXPECT_EQ(csv.rows.front().name, "元日");
        EXPECT_EQ(csv.rows.back().date, 20271123);
        EXPECT_EQ(csv.rows.back().name, "勤労感謝の日");
        // What gets installed is the same text in UTF-8, line ends as they came.
        EXPECT_EQ(csv.utf8Text.find('\r') != std::string::npos,
                  form.bytes.find('\r') != std::string::npos);
        EXPECT_EQ(parseHolidayCsv(csv.utf8Text).rows.size(), 84u);
    }
}

TEST(HolidayCsv, AcceptsLeadingZerosBlankLinesOwnRowsInAnyOrder) {
    const HolidayCsv csv =
        parseHolidayCsv(kHeader + "2026/12/29,会社休日\n\n 2026/01/02 , 年始休暇 \n"
                                  "2026/1/1,元日");
    ASSERT_TRUE(csv.accepted()) << csv.refusal;
    ASSERT_EQ(csv.rows.size(), 3u);
    EXPECT_EQ(csv.rows[0].date, 20260101);
    EXPECT_EQ(csv.rows[1].date, 20260102);
    EXPECT_EQ(csv.rows[1].name, "年始休暇");
    EXPECT_EQ(csv.rows[2].name, "会社休日");
}

struct Refusal {
    const char* label;
    std::string bytes;
    std::string refusal;
};

class HolidayCsvRefusal : public ::testing::TestWithParam<Refusal> {};

TEST_P(HolidayCsvRefusal, NamesTheLineAndTheReason) {
    const HolidayCsv csv = parseHolidayCsv(GetParam().bytes);
    EXPECT_EQ(csv.refusal, GetParam().refusal);
    EXPECT_TRUE(csv.rows.empty());
}

const std::string kNoHeader =
    "1行目: 見出し行「国民の祝日・休日月日,国民の祝日・休日名称」がありません。";

INSTANTIATE_TEST_SUITE_P(
    Table, HolidayCsvRefusal,
    ::testing::Values(
        Refusal{"empty", "", kNoHeader}, Refusal{"no header", "2024/1/1,元日\n", kNoHeader},
        Refusal{"header only", kHeader, "2行目: 祝日の行がありません。"},
        Refusal{"dashes", kHeader + "2024-1-1,元日\n",
                "2行目: 日付「2024-1-1」は YYYY/M/D の形ではありません。"},
        Refusal{"three-digit month", kHeader + "2024/001/1,元日\n",
                "2行目: 日付「2024/001/1」は YYYY/M/D の形ではありません。"},
        Refusal{"no such day", kHeader + "2024/1/1,元日\n2023/2/29,x\n",
                "3行目: 日付「2023/2/29」は実在しない日付です。"},
        Refusal{"month 13", kHeader + "2024/13/1,x\n",
                "2行目: 日付「2024/13/1」は実在しない日付です。"},
        Refusal{"before 1955", kHeader + "1954/12/31,x\n",
                "2行目: 日付「1954/12/31」は 1955年～2099年の範囲外です。"},
        Refusal{"after 2099", kHeader + "2100/1/1,x\n",
                "2行目: 日付「2100/1/1」は 1955年～2099年の範囲外です。"},
        Refusal{"no name", kHeader + "2024/1/1, \n", "2行目: 名称がありません。"},
        Refusal{"no comma", kHeader + "2024/1/1\n", "2行目: 「日付,名称」の形ではありません。"},
        Refusal{"three fields", kHeader + "2024/1/1,元日,x\n",
                "2行目: 「日付,名称」の形ではありません。"},
        Refusal{"control character", kHeader + "2024/1/1,元\x01日\n",
                "2行目: 名称に使えない文字が含まれています。"},
        Refusal{"duplicate", kHeader + "2024/1/1,元日\n2024/1/8,成人の日\n2024/01/01,x\n",
                "4行目: 日付「2024/01/01」は 2行目と重複しています。"},
        Refusal{"Shift_JIS with a broken character",
                platform::utf8ToCp932(kHeader + "2024/1/1,元日\n").value() + "2024/1/8,\x81\n",
                "3行目: 文字コードを読み取れません。Shift_JIS か UTF-8 で保存してください。"},
        Refusal{"company days alone",
                kHeader + "2026/1/1,元日\n2027/12/29,会社休日\n2027/12/30,会社休日\n",
                "3行目: " + partialYearReason(2027)},
        Refusal{"UTF-8 with one Shift_JIS row",
                kHeader + "2024/1/1,元日\n" + platform::utf8ToCp932("2024/1/8,成人の日\n").value(),
                "3行目: 文字コードを読み取れません。Shift_JIS か UTF-8 で保存してください。"}),
    [](const ::testing::TestParamInfo<Refusal>& info) {
        std::string name;
        for (const char c : std::string(info.param.label))
            name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
        return name;
    });

// The own days off share every check of the holiday file, in the calendar's years, with their
// own header; a header alone is an empty list, and no year need be whole.
TEST(DaysOffCsv, SharesTheHolidayChecksWithItsOwnHeaderAndYears) {
    const std::string header = "日付,名称\n";
    const struct {
        const char* label;
        std::string bytes;
        std::string refusal;
        size_t rows;
    } cases[] = {
        {"header alone", header, "", 0},
        {"company days, Shift_JIS CRLF",
         platform::utf8ToCp932("日付,名称\r\n2027/12/29,年末休暇\r\n2027/9/6,創立記念日\r\n")
             .value(),
         "", 2},
        {"with a byte order mark", "\xEF\xBB\xBF" + header + "2027/8/13,お盆\n", "", 1},
        {"the national header", kHeader + "2027/8/13,お盆\n",
         "1行目: 見出し行「日付,名称」がありません。", 0},
        {"before 1970", header + "1969/12/31,x\n",
         "2行目: 日付「1969/12/31」は 1970年～2069年の範囲外です。", 0},
        {"after 2069", header + "2070/1/1,x\n",
         "2行目: 日付「2070/1/1」は 1970年～2069年の範囲外です。", 0},
        {"duplicate", header + "2027/8/13,お盆\n2027/08/13,x\n",
         "3行目: 日付「2027/08/13」は 2行目と重複しています。", 0},
        {"control character", header + "2027/8/13,お\x7f盆\n",
         "2行目: 名称に使えない文字が含まれています。", 0},
        {"no such day", header + "2027/2/29,x\n", "2行目: 日付「2027/2/29」は実在しない日付です。",
         0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        const HolidayCsv csv = parseDaysOffCsv(c.bytes);
        EXPECT_EQ(csv.refusal, c.refusal);
        ASSERT_EQ(csv.rows.size(), c.rows);
        // What is written back reads as the same list.
        const HolidayCsv again = parseDaysOffCsv(daysOffCsvText(csv.rows));
        ASSERT_TRUE(again.accepted()) << again.refusal;
        ASSERT_EQ(again.rows.size(), c.rows);
        for (size_t i = 0; i < c.rows; ++i)
            EXPECT_EQ(again.rows[i].name, csv.rows[i].name);
    }
    const std::vector<HolidayRow> days{{20270906, "創立記念日"}};
    EXPECT_EQ(dayOffRefusal(days, {20270906, "x"}), "日付「2027/9/6」はすでに独自の休日です。");
    EXPECT_EQ(dayOffRefusal(days, {20270907, "a\nb"}), "名称に使えない文字が含まれています。");
    EXPECT_EQ(dayOffRefusal(days, {20270907, ""}), "名称がありません。");
    EXPECT_EQ(dayOffRefusal(days, {20270907, "翌日"}), "");
}

} // namespace
