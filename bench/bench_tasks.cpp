#include "bench_tasks.h"

#include "bench_home.h"
#include "store/fields.h"
#include "store/schedule_text.h"

#include <array>
#include <cstdio>
#include <cstring>
#include <stdexcept>

namespace bench {
namespace {

template <size_t N> void put(char (&field)[N], const std::string& text) {
    if (!setField(field, text))
        throw std::runtime_error("does not fit: " + text);
}

int dateOf(const std::string& text) {
    if (text.empty())
        return 0;
    return std::stoi(text.substr(0, 4) + text.substr(5, 2) + text.substr(8, 2));
}

struct Shape {
    std::string schedule;
    std::string startDate;
    std::string endDate;
    bool viaViewer;
};

TaskRecord makeTask(int index, const Shape& shape, const std::string& registered,
                    const std::string& executable, const std::string& runTime) {
    TaskRecord r{};
    char name[32];
    std::snprintf(name, sizeof name, "bench-%03d", index);
    put(r.name, name);
    put(r.runTime, runTime);
    put(r.scheduleText, shape.schedule);
    applyScheduleText(r, fieldView(r.scheduleText));
    put(r.registeredFile, registered);
    put(r.executableFile, executable);
    put(r.startDateText, shape.startDate);
    put(r.endDateText, shape.endDate);
    r.startDate = dateOf(shape.startDate);
    r.endDate = dateOf(shape.endDate);
    r.state = StateWaiting;
    return r;
}

std::string joinDays(std::initializer_list<int> days) {
    std::string text;
    for (int d : days) {
        if (!text.empty())
            text += schedule_text::kSeparator;
        text += schedule_text::kDays[static_cast<size_t>(d)];
    }
    return text;
}

} // namespace

std::vector<TaskRecord> mixedTasks(int count, const TaskFiles& files, const std::string& runTime) {
    using namespace schedule_text;
    const std::array<Shape, 8> shapes = {{
        {std::string(kDaily), "", "", false},
        {std::string(kWeekdays), "", "", true},
        {std::string(kHolidays), "", "", false},
        {joinDays({1, 3, 5}), "", "", true},
        {std::string(kOnce), "2030/01/15", "", false},
        {joinDays({0, 6}), "2020/04/01", "2035/03/31", false},
        {std::string(kDaily), "2029/12/29", "2030/01/05", true},
        {std::string(kWeekdays), "", "2035/12/31", false},
    }};
    std::vector<TaskRecord> tasks;
    tasks.reserve(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        const Shape& shape = shapes[static_cast<size_t>(i) % shapes.size()];
        tasks.push_back(shape.viaViewer
                            ? makeTask(i, shape, files.document, files.viewer, runTime)
                            : makeTask(i, shape, files.program, files.program, runTime));
    }
    return tasks;
}

std::vector<TaskRecord>
dailyTasks(const std::vector<std::pair<std::string, std::string>>& programs) {
    std::vector<TaskRecord> tasks;
    tasks.reserve(programs.size());
    const Shape daily{std::string(schedule_text::kDaily), "", "", false};
    for (size_t i = 0; i < programs.size(); ++i) {
        const auto& [program, runTime] = programs[i];
        TaskRecord task = makeTask(static_cast<int>(i), daily, program, program, runTime);
        put(task.name, program.substr(program.rfind('/') + 1));
        tasks.push_back(task);
    }
    return tasks;
}

void writeTaskFile(const std::string& path, const std::vector<TaskRecord>& records) {
    std::string bytes(records.size() * sizeof(TaskRecord), '\0');
    if (!records.empty())
        std::memcpy(bytes.data(), records.data(), bytes.size());
    writeFile(path, bytes, 0600);
}

platform::LocalTime fixedMorning() {
    platform::LocalTime t;
    t.year = 2024;
    t.month = 5;
    t.day = 10;
    t.hour = 8;
    t.minute = 59;
    t.second = 30;
    t.dayOfWeek = 5;
    return t;
}

} // namespace bench
