// The run-time and date parsers of the entry checks: a fixed name and an existing program, and
// the run time, start date and end date from the input (one per line, after one byte choosing
// once-only and the answer to its question).

#include "dialogs/entry_validation.h"
#include "fuzz_support.h"
#include "store/fields.h"

#include <cstdint>
#include <fstream>
#include <string>
#include <sys/stat.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string program = [] {
        const std::string path = fuzz_support::privateFolder() + "/job.sh";
        std::ofstream(path) << "#!/bin/sh\nexit 0\n";
        ::chmod(path.c_str(), 0755);
        return path;
    }();
    if (size < 1)
        return 0;
    const uint8_t choice = data[0];
    const std::string_view input(reinterpret_cast<const char*>(data + 1), size - 1);
    const std::vector<std::string> lines = fuzz_support::splitTexts(input, 3);
    EntryTexts texts{"job", program, lines[0], lines[1], lines[2]};

    TaskRecord working{};
    (choice & 1 ? working.once : working.daily) = 1;
    const bool yes = (choice & 2) != 0;
    const EntryCheck check =
        checkTaskEntry(texts, working, ModeAdd, 0, {}, [yes](const std::string&) { return yes; });
    if (!check.accepted) {
        if (check.message.empty())
            fuzz_support::fail("refused without a message");
        return 0;
    }
    const TaskRecord& r = check.record;
    const std::string_view runTime = fieldView(r.runTime);
    if (runTime.size() != 5 || runTime[2] != ':' || runTime.substr(0, 2) > "23" ||
        runTime.substr(3, 2) > "59")
        fuzz_support::fail("accepted run time is not a time of day");
    // What was typed is what is stored, separators aside.
    const std::string typed =
        lines[0].size() == 4 ? lines[0].substr(0, 2) + ":" + lines[0].substr(2) : lines[0];
    if (runTime != typed)
        fuzz_support::fail("stored run time differs from the typed one");
    const std::string_view start = fieldView(r.startDateText);
    if (lines[1].empty() != start.empty())
        fuzz_support::fail("start date appeared or vanished");
    if (!start.empty()) {
        const int month = (start[5] - '0') * 10 + (start[6] - '0');
        const int day = (start[8] - '0') * 10 + (start[9] - '0');
        if (month < 1 || month > 12 || day < 1 || day > 31)
            fuzz_support::fail("accepted start date out of range");
    }
    if (r.endDate != 0 && (r.endDate < r.startDate || working.once))
        fuzz_support::fail("end date kept where it may not be");
    return 0;
}
