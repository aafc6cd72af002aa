#include "dialogs/entry_validation.h"

#include "dialogs/exec_file_messages.h"
#include "engine/launch.h"
#include "platform/files.h"
#include "platform/text_codec.h"
#include "store/fields.h"

#include <optional>

const char kRegisteredFileUnrepresentable[] =
    "登録ファイルにShift_JIS（cp932）で表せない文字が含まれています。";

namespace {

// Refusals that keep a text from being cut or written past its fixed field.
constexpr char kNameTooLong[] = "名前は127バイト以内で入力してください。";
constexpr char kNameUnrepresentable[] = "名前にShift_JIS（cp932）で表せない文字が含まれています。";
constexpr char kFileTooLong[] = "登録ファイルのパスは511バイト以内で指定してください。";
constexpr char kProgramTooLong[] = "実行ファイルのパスが511バイトを超えるため登録できません。\n\n";

constexpr char kRunTimeDigits[] =
    "実行時刻は数値４桁（hhmm）または５桁（hh:mm）を入力してください。";
constexpr char kRunTimeSeparator[] = "実行時刻の区切り文字は : を入力してください。";

struct DateMessages {
    const char* digits;
    const char* separator;
    const char* month;
    const char* day;
};
constexpr DateMessages kStartMessages = {
    "開始日は数値８桁または yyyy/mm/dd を入力してください。",
    "開始日の区切り文字は / または - または . を入力してください。",
    "開始日（月）は 00 ～ 12 を入力してください。",
    "開始日（日）は 01 ～ 31 を入力してください。",
};
constexpr DateMessages kEndMessages = {
    "終了日は数値８桁または yyyy/mm/dd を入力してください。",
    "終了日の区切り文字は / または - または . を入力してください。",
    "終了日（月）は 00 ～ 12 を入力してください。",
    "終了日（日）は 01 ～ 31 を入力してください。",
};

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}
int twoDigits(std::string_view s, size_t at) {
    return (s[at] - '0') * 10 + (s[at + 1] - '0');
}
bool isDateSeparator(char c) {
    return c == '/' || c == '-' || c == '.';
}

EntryCheck refuse(std::string message, EntryField focus, bool traced = false) {
    EntryCheck check;
    check.message = std::move(message);
    check.focus = focus;
    check.traced = traced;
    return check;
}

// "hh:mm" from a four- or five-character run time, or the refusal.
std::optional<std::string> parseRunTime(std::string_view text, std::string& message) {
    if (text.size() == 4) {
        for (char c : text) {
            if (!isDigit(c)) {
                message = kRunTimeDigits;
                return std::nullopt;
            }
        }
        return std::string(text.substr(0, 2)) + ":" + std::string(text.substr(2, 2));
    }
    if (text.size() == 5) {
        // The first offending character decides which of the two messages is shown.
        for (size_t i = 0; i < 5; ++i) {
            if (i == 2 && text[i] != ':') {
                message = kRunTimeSeparator;
                return std::nullopt;
            }
            if (i != 2 && !isDigit(text[i])) {
                message = kRunTimeDigits;
                return std::nullopt;
            }
        }
        return std::string(text);
    }
    message = kRunTimeDigits;
    return std::nullopt;
}

// "yyyy/mm/dd" from eight digits or a ten-character date with any of "/", "-", "." as its two
// separators, or the refusal. The day is not checked against the month, nor the year at all.
std::optional<std::string> parseDate(std::string_view text, const DateMessages& m,
                                     std::string& message) {
    std::string date;
    if (text.size() == 8) {
        for (char c : text) {
            if (!isDigit(c)) {
                message = m.digits;
                return std::nullopt;
            }
        }
        date = std::string(text.substr(0, 4)) + "/" + std::string(text.substr(4, 2)) + "/" +
               std::string(text.substr(6, 2));
    } else if (text.size() == 10) {
        for (size_t i = 0; i < 10; ++i) {
            const bool separatorPlace = i == 4 || i == 7;
            if (separatorPlace && !isDateSeparator(text[i])) {
                message = m.separator;
                return std::nullopt;
            }
            if (!separatorPlace && !isDigit(text[i])) {
                message = m.digits;
                return std::nullopt;
            }
        }
        date = std::string(text);
        date[4] = '/';
        date[7] = '/';
    } else {
        message = m.digits;
        return std::nullopt;
    }
    const int month = twoDigits(date, 5);
    if (month < 1 || month > 12) {
        message = m.month;
        return std::nullopt;
    }
    const int day = twoDigits(date, 8);
    if (day < 1 || day > 31) {
        message = m.day;
        return std::nullopt;
    }
    return date;
}

// A run-time or date text as cp932 bytes. A character that cp932 cannot hold can never be a
// digit or a separator, so such a text becomes one that the format check refuses.
std::string shortFieldBytes(const std::string& utf8) {
    auto bytes = platform::utf8ToCp932(utf8);
    return bytes ? *bytes : std::string("?");
}

} // namespace

int32_t dateNumberFromText(std::string_view text) {
    int32_t number = 0;
    for (size_t i : {0, 1, 2, 3, 5, 6, 8, 9}) {
        if (i >= text.size() || !isDigit(text[i]))
            break;
        number = number * 10 + (text[i] - '0');
    }
    return number;
}

EntryCheck checkTaskEntry(const EntryTexts& texts, const TaskRecord& working, EntryMode mode,
                          int editIndex, std::span<const TaskRecord> tasks,
                          const EntryQuestion& ask) {
    TaskRecord record = working;

    // Name: present, representable, fitting its field, and unique ignoring ASCII case.
    if (texts.name.empty())
        return refuse("名前を入力してください。", EntryField::Name);
    // A zero byte cannot live inside a record's text: the name would end there.
    const auto name = platform::utf8ToCp932(texts.name);
    if (!name || name->find('\0') != std::string::npos)
        return refuse(kNameUnrepresentable, EntryField::Name);
    if (name->size() > fieldCapacity(record.name))
        return refuse(kNameTooLong, EntryField::Name);
    for (size_t i = 0; i < tasks.size(); ++i) {
        if (mode == ModeChange && static_cast<int>(i) == editIndex)
            continue;
        if (equalsIgnoringAsciiCase(fieldView(tasks[i].name), *name))
            return refuse("名前が重複しています。\n別な名前を入力してください。", EntryField::Name,
                          true);
    }
    setField(record.name, *name);

    // Registered file: present, fitting, an existing file (not a folder), and resolvable.
    if (texts.registeredFile.empty())
        return refuse("登録ファイルを入力してください。", EntryField::RegisteredFile);
    // The path must come back from cp932 as it was typed: a character that is only mapped to a
    // look-alike ("¥" to a backslash, "〜" to "～") would name another file, and a zero byte would
    // cut the path short.
    const auto file = platform::utf8ToCp932(texts.registeredFile);
    if (!file || file->find('\0') != std::string::npos ||
        platform::cp932ToUtf8(*file) != texts.registeredFile)
        return refuse(kRegisteredFileUnrepresentable, EntryField::RegisteredFile);
    if (file->size() > fieldCapacity(record.registeredFile))
        return refuse(kFileTooLong, EntryField::RegisteredFile);
    if (!platform::pathExists(*file))
        return refuse("登録ファイルが見つかりません。", EntryField::RegisteredFile);
    if (platform::isDirectory(*file))
        return refuse("フォルダを指定することはできません。\n\n" + texts.registeredFile,
                      EntryField::RegisteredFile, true);
    setField(record.registeredFile, *file);
    const int resolved =
        MyGetExecFile(record.registeredFile, record.executableFile, sizeof record.executableFile);
    if (resolved == -12)
        return refuse(kProgramTooLong + texts.registeredFile, EntryField::RegisteredFile, true);
    if (resolved != 0)
        return refuse(execFileFailureMessage(resolved, texts.registeredFile),
                      EntryField::RegisteredFile, true);

    // Run time.
    std::string message;
    const auto runTime = parseRunTime(shortFieldBytes(texts.runTime), message);
    if (!runTime)
        return refuse(message, EntryField::RunTime);
    setField(record.runTime, *runTime);
    if (twoDigits(*runTime, 0) > 23)
        return refuse("実行時刻（時）は 00 ～ 23 を入力してください。", EntryField::RunTime);
    if (twoDigits(*runTime, 3) > 59)
        return refuse("実行時刻（分）は 00 ～ 59 を入力してください。", EntryField::RunTime);

    // Start date, optional.
    clearField(record.startDateText);
    if (!texts.startDate.empty()) {
        const auto start = parseDate(shortFieldBytes(texts.startDate), kStartMessages, message);
        if (!start)
            return refuse(message, EntryField::StartDate);
        setField(record.startDateText, *start);
    }

    // End date, optional, only after a start date and not before it.
    clearField(record.endDateText);
    if (!texts.endDate.empty()) {
        if (texts.startDate.empty())
            return refuse("開始日を入力してください。", EntryField::EndDate);
        const auto end = parseDate(shortFieldBytes(texts.endDate), kEndMessages, message);
        if (!end)
            return refuse(message, EntryField::EndDate);
        setField(record.endDateText, *end);
        if (compareIgnoringAsciiCase(fieldView(record.startDateText), *end) > 0)
            return refuse("終了日は開始日よりも未来の日付を入力してください。",
                          EntryField::EndDate);
    }

    if (record.once && !fieldView(record.endDateText).empty()) {
        const bool drop =
            ask && ask("「１回のみ」が選択されているので終了日を無視します。\nよろしいですか？");
        if (!drop)
            return refuse("もう一度入力してください。", EntryField::None);
        clearField(record.endDateText);
    }

    if (record.chosenDays) {
        bool anyDay = false;
        for (int32_t flag : record.dayFlags)
            anyDay = anyDay || flag != 0;
        if (!anyDay)
            return refuse("月 ～ 金 のいずれかを選択してください。", EntryField::None);
    }

    record.startDate = dateNumberFromText(fieldView(record.startDateText));
    record.endDate = dateNumberFromText(fieldView(record.endDateText));
    // A make-up run of a missed day keeps that earlier day in lastRunDate while the text shows
    // the day it really ran; the change keeps it, so that the day's own run is not lost.
    const int32_t shownLastRun = dateNumberFromText(fieldView(record.lastRunText));
    if (record.lastRunDate <= 0 || record.lastRunDate > shownLastRun)
        record.lastRunDate = shownLastRun;
    record.nextRunDate = dateNumberFromText(fieldView(record.nextRunText));

    EntryCheck check;
    check.accepted = true;
    check.record = record;
    return check;
}
