// The task entry checks with all five texts from the input: name, registered file, run time,
// start date, end date (one per line), after two bytes that choose the mode, the schedule and
// the days. An accepted entry must be one that fits its record and reads back as typed.

#include "dialogs/entry_validation.h"
#include "fuzz_support.h"
#include "store/fields.h"

#include <cstdint>
#include <string>

namespace {

void checkAccepted(const EntryCheck& check) {
    const TaskRecord& r = check.record;
    const std::string_view runTime = fieldView(r.runTime);
    if (runTime.size() != 5 || runTime[2] != ':')
        fuzz_support::fail("accepted run time is not hh:mm");
    if ((runTime[0] - '0') * 10 + (runTime[1] - '0') > 23 ||
        (runTime[3] - '0') * 10 + (runTime[4] - '0') > 59)
        fuzz_support::fail("accepted run time out of range");
    for (std::string_view date : {fieldView(r.startDateText), fieldView(r.endDateText)}) {
        if (!date.empty() && (date.size() != 10 || date[4] != '/' || date[7] != '/'))
            fuzz_support::fail("accepted date is not yyyy/mm/dd");
    }
    if (r.startDate != dateNumberFromText(fieldView(r.startDateText)) ||
        r.endDate != dateNumberFromText(fieldView(r.endDateText)))
        fuzz_support::fail("date numbers disagree with their texts");
    if (r.endDate != 0 && r.endDate < r.startDate)
        fuzz_support::fail("accepted end date before the start date");
    if (fieldView(r.name).empty() || fieldView(r.name).size() > 127)
        fuzz_support::fail("accepted name does not fit");
    if (fieldView(r.executableFile).empty())
        fuzz_support::fail("accepted without a program");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz_support::privateFolder();
    if (size < 2)
        return 0;
    const uint8_t choice = data[0];
    const uint8_t days = data[1];
    const std::string_view input(reinterpret_cast<const char*>(data + 2), size - 2);
    const std::vector<std::string> lines = fuzz_support::splitTexts(input, 5);
    EntryTexts texts{lines[0], lines[1], lines[2], lines[3], lines[4]};

    TaskRecord working{};
    int32_t* flags[] = {&working.once, &working.daily, &working.weekdays, &working.holidays,
                        &working.chosenDays};
    *flags[(choice >> 2) % 5] = 1;
    for (int d = 0; d < 7; ++d)
        working.dayFlags[d] = (days >> d) & 1;
    const EntryMode mode = static_cast<EntryMode>(choice % 3);

    static const std::vector<TaskRecord> table = [] {
        std::vector<TaskRecord> t(2);
        setField(t[0].name, "job");
        setField(t[1].name, "Backup");
        return t;
    }();
    const bool yes = (choice & 0x80) != 0;
    const EntryCheck check =
        checkTaskEntry(texts, working, mode, 1, table, [yes](const std::string&) { return yes; });
    if (check.accepted)
        checkAccepted(check);
    else if (check.message.empty())
        fuzz_support::fail("refused without a message");
    return 0;
}
