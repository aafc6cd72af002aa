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
        Refusal{"UTF-8 with one Shift_JIS row",
                kHeader + "2024/1/1,元日\n" + platform::utf8ToCp932("2024/1/8,成人の日\n").value(),
                "3行目: 文字コードを読み取れません。Shift_JIS か UTF-8 で保存してください。"}),
    [](const ::testing::TestParamInfo<Refusal>& info) {
        std::string name;
        for (const char c : std::string(info.param.label))
            name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
        return name;
    });

} // namespace
