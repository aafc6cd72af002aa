#include "engine/holiday_csv.h"

#include "platform/text_codec.h"

#include <algorithm>
#include <map>
#include <optional>

namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

bool isLeap(int year) {
    return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
}

int daysInMonth(int year, int month) {
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && isLeap(year) ? 29 : kDays[month - 1];
}

// Strict UTF-8: no overlong forms, no surrogates, nothing past U+10FFFF.
bool isUtf8(std::string_view text) {
    size_t i = 0;
    while (i < text.size()) {
        const auto c = static_cast<unsigned char>(text[i]);
        size_t length = 0;
        unsigned min = 0;
        unsigned code = 0;
        if (c < 0x80) {
            ++i;
            continue;
        } else if ((c & 0xE0) == 0xC0) {
            length = 2, min = 0x80, code = c & 0x1F;
        } else if ((c & 0xF0) == 0xE0) {
            length = 3, min = 0x800, code = c & 0x0F;
        } else if ((c & 0xF8) == 0xF0) {
            length = 4, min = 0x10000, code = c & 0x07;
        } else {
            return false;
        }
        if (i + length > text.size())
            return false;
        for (size_t k = 1; k < length; ++k) {
            const auto t = static_cast<unsigned char>(text[i + k]);
            if ((t & 0xC0) != 0x80)
                return false;
            code = (code << 6) | (t & 0x3F);
        }
        if (code < min || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
            return false;
        i += length;
    }
    return true;
}

std::string_view trim(std::string_view text) {
    const size_t first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

std::string lineRefusal(int line, const std::string& reason) {
    return std::to_string(line) + "行目: " + reason;
}

// "YYYY/M/D" with one or two digits for month and day; the date number, or nothing.
std::optional<int32_t> parseDateField(std::string_view field, bool& wellFormed) {
    wellFormed = false;
    int parts[3] = {0, 0, 0};
    size_t digits[3] = {0, 0, 0};
    int part = 0;
    for (const char c : field) {
        if (c == '/') {
            if (++part > 2)
                return std::nullopt;
            continue;
        }
        if (c < '0' || c > '9')
            return std::nullopt;
        parts[part] = parts[part] * 10 + (c - '0');
        if (++digits[part] > (part == 0 ? 4u : 2u))
            return std::nullopt;
    }
    if (part != 2 || digits[0] != 4 || digits[1] == 0 || digits[2] == 0)
        return std::nullopt;
    wellFormed = true;
    const int year = parts[0], month = parts[1], day = parts[2];
    if (month < 1 || month > 12 || day < 1 || day > daysInMonth(year, month))
        return std::nullopt;
    return year * 10000 + month * 100 + day;
}

bool hasControlCharacter(std::string_view text) {
    return std::any_of(text.begin(), text.end(), [](char c) {
        const auto u = static_cast<unsigned char>(c);
        return u < 0x20 || u == 0x7F;
    });
}

// One row's date and name, or the reason it is refused.
struct RowResult {
    HolidayRow row;
    std::string reason;
};

RowResult parseRow(std::string_view line, const DayListForm& form) {
    RowResult result;
    const size_t comma = line.find(',');
    if (comma == std::string_view::npos || line.find(',', comma + 1) != std::string_view::npos) {
        result.reason = "「日付,名称」の形ではありません。";
        return result;
    }
    const std::string_view dateField = trim(line.substr(0, comma));
    const std::string_view name = trim(line.substr(comma + 1));
    bool wellFormed = false;
    const std::optional<int32_t> date = parseDateField(dateField, wellFormed);
    const std::string quoted = "「" + std::string(dateField) + "」";
    if (!wellFormed) {
        result.reason = "日付" + quoted + "は YYYY/M/D の形ではありません。";
    } else if (!date) {
        result.reason = "日付" + quoted + "は実在しない日付です。";
    } else if (*date / 10000 < form.firstYear || *date / 10000 > form.lastYear) {
        result.reason = "日付" + quoted + "は " + std::to_string(form.firstYear) + "年～" +
                        std::to_string(form.lastYear) + "年の範囲外です。";
    } else if (name.empty()) {
        result.reason = "名称がありません。";
    } else if (hasControlCharacter(name)) {
        result.reason = "名称に使えない文字が含まれています。";
    } else {
        result.row = HolidayRow{*date, std::string(name)};
    }
    return result;
}

// The lines of the raw file, each without its line end (LF, or CR LF). Splitting before
// decoding is safe: no cp932 or UTF-8 multibyte character contains the byte 0x0A.
std::vector<std::string_view> splitLines(std::string_view bytes) {
    std::vector<std::string_view> lines;
    while (!bytes.empty()) {
        const size_t end = bytes.find('\n');
        std::string_view line = bytes.substr(0, end);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        lines.push_back(line);
        if (end == std::string_view::npos)
            break;
        bytes.remove_prefix(end + 1);
    }
    return lines;
}

bool isHeader(std::string_view utf8Line, std::string_view header) {
    const size_t comma = utf8Line.find(',');
    if (comma == std::string_view::npos)
        return false;
    const std::string joined = std::string(trim(utf8Line.substr(0, comma))) + "," +
                               std::string(trim(utf8Line.substr(comma + 1)));
    return joined == header;
}

} // namespace

std::string partialYearReason(int year) {
    return std::to_string(year) +
           "年の元日（1月1日）がありません。1年分がそろっていない祝日データは読み込めません。"
           "会社などの休日は「独自の休日」に追加してください。";
}

namespace {

HolidayCsv parse(std::string_view bytes, const DayListForm& form) {
    HolidayCsv result;
    bool utf8 = false;
    if (bytes.substr(0, kByteOrderMark.size()) == kByteOrderMark) {
        bytes.remove_prefix(kByteOrderMark.size());
        utf8 = true;
    }
    const std::vector<std::string_view> raw = splitLines(bytes);
    // A file is UTF-8 when it all reads as UTF-8, or when its header does (then a line that does
    // not is a fault of that line, not a sign of Shift_JIS).
    utf8 =
        utf8 || isUtf8(bytes) || (!raw.empty() && isUtf8(raw[0]) && isHeader(raw[0], form.header));

    std::vector<std::string> lines;
    lines.reserve(raw.size());
    for (size_t i = 0; i < raw.size(); ++i) {
        std::optional<std::string> text;
        if (utf8)
            text = isUtf8(raw[i]) ? std::optional<std::string>(raw[i]) : std::nullopt;
        else
            text = platform::cp932ToUtf8(raw[i]);
        if (!text) {
            result.refusal = lineRefusal(static_cast<int>(i + 1),
                                         "文字コードを読み取れません。Shift_JIS か UTF-8 "
                                         "で保存してください。");
            return result;
        }
        lines.push_back(std::move(*text));
    }

    if (lines.empty() || !isHeader(lines[0], form.header)) {
        result.refusal =
            lineRefusal(1, "見出し行「" + std::string(form.header) + "」がありません。");
        return result;
    }
    std::map<int32_t, int> lineOfDate;
    for (size_t i = 1; i < lines.size(); ++i) {
        const int lineNumber = static_cast<int>(i + 1);
        if (trim(lines[i]).empty())
            continue;
        RowResult row = parseRow(lines[i], form);
        if (!row.reason.empty()) {
            result.refusal = lineRefusal(lineNumber, row.reason);
            return result;
        }
        const auto [seen, inserted] = lineOfDate.emplace(row.row.date, lineNumber);
        if (!inserted) {
            result.refusal = lineRefusal(
                lineNumber, "日付「" + std::string(trim(lines[i].substr(0, lines[i].find(',')))) +
                                "」は " + std::to_string(seen->second) + "行目と重複しています。");
            return result;
        }
        result.rows.push_back(std::move(row.row));
    }
    if (result.rows.empty() && !form.mayBeEmpty) {
        result.refusal = lineRefusal(static_cast<int>(lines.size()) + 1, "祝日の行がありません。");
        return result;
    }
    if (form.wholeYears) {
        // A national file replaces every year it touches; a year without its New Year's Day is
        // not a year's holidays but a list of some other days, and would wipe the rest.
        std::map<int, int> firstLineOfYear;
        for (const auto& [date, line] : lineOfDate) {
            const auto [entry, inserted] = firstLineOfYear.emplace(date / 10000, line);
            if (!inserted)
                entry->second = std::min(entry->second, line);
        }
        for (const auto& [year, line] : firstLineOfYear) {
            if (lineOfDate.count(year * 10000 + 101) == 0) {
                result.refusal = lineRefusal(line, partialYearReason(year));
                return result;
            }
        }
    }
    std::sort(result.rows.begin(), result.rows.end(),
              [](const HolidayRow& a, const HolidayRow& b) { return a.date < b.date; });
    if (utf8) {
        result.utf8Text = std::string(bytes);
    } else {
        // Every line decoded, so the whole does too; line ends are kept as they were.
        result.utf8Text = platform::cp932ToUtf8(bytes).value_or(std::string());
    }
    return result;
}

} // namespace

HolidayCsv parseDayList(std::string_view bytes, const DayListForm& form) {
    HolidayCsv result = parse(bytes, form);
    // A refused file gives nothing, not the rows before its bad line.
    if (!result.accepted()) {
        result.rows.clear();
        result.utf8Text.clear();
    }
    return result;
}

HolidayCsv parseHolidayCsv(std::string_view bytes) {
    return parseDayList(bytes, DayListForm{kHolidayCsvHeader, kHolidayCsvFirstYear,
                                           kHolidayCsvLastYear, false, true});
}
