#include "engine/holiday_notice.h"

#include <algorithm>
#include <chrono>

namespace {

using namespace std::chrono;

constexpr const char* kPointToImport =
    "内閣府の祝日データ（syukujitsu.csv）を「ファイル」メニューの「祝日データの読み込み」"
    "で読み込んでください。";

int daysUntilEndOf(int lastYear, int32_t today) {
    const sys_days from{year{today / 10000} / month{unsigned(today / 100 % 100)} /
                        day{unsigned(today % 100)}};
    return static_cast<int>((sys_days{year{lastYear} / December / 31} - from).count());
}

std::string endingNotice(const HolidaySources& sources, int32_t today) {
    const int thisYear = today / 10000;
    const std::vector<YearRange> ranges = sources.ranges();
    const auto current = std::find_if(ranges.begin(), ranges.end(), [&](const YearRange& r) {
        return r.first <= thisYear && thisYear <= r.last;
    });
    if (current == ranges.end())
        return std::string();
    const bool hadData = current != ranges.begin();
    // Years past the data with weekends alone: the holidays are no longer known at all.
    if (current->source == HolidaySource::WeekendsOnly && hadData) {
        return std::to_string(thisYear) +
               "年の祝日データがありません。土曜と日曜だけを休日として"
               "います。\n" +
               kPointToImport;
    }
    const bool ends =
        current->source == HolidaySource::Builtin || current->source == HolidaySource::File;
    const auto next = current + 1;
    if (!ends || next == ranges.end() || daysUntilEndOf(current->last, today) > kHolidayNoticeDays)
        return std::string();
    const std::string what =
        current->source == HolidaySource::Builtin ? "組み込みの祝日表" : "読み込んだ祝日データ";
    const std::string after = next->source == HolidaySource::Rules
                                  ? "その後の祝日は祝日法の規則で計算します。"
                                  : "その後は土曜と日曜だけが休日になります。";
    return what + "は" + std::to_string(current->last) + "年12月31日で終わります。" + after + "\n" +
           kPointToImport;
}

} // namespace

std::string holidayNotice(const HolidaySources& sources, const std::string& refusal,
                          int32_t today) {
    std::string notice;
    if (!refusal.empty())
        notice = refusal + "\n組み込みの祝日表を使います。";
    const std::string ending = endingNotice(sources, today);
    if (!ending.empty())
        notice += (notice.empty() ? "" : "\n\n") + ending;
    return notice;
}
