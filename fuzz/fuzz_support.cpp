#include "fuzz_support.h"

#include "engine/calendar.h"
#include "platform/clock.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <sys/stat.h>
#include <vector>

namespace fuzz_support {

const std::string& privateFolder() {
    static const std::string folder = [] {
        std::string templ = "/tmp/chorelin-fuzz-XXXXXX";
        if (!::mkdtemp(templ.data()))
            throw std::runtime_error("mkdtemp failed");
        for (const char* sub : {"/home", "/config", "/data", "/runtime"})
            ::mkdir((templ + sub).c_str(), 0700);
        setenv("HOME", (templ + "/home").c_str(), 1);
        setenv("XDG_CONFIG_HOME", (templ + "/config").c_str(), 1);
        setenv("XDG_DATA_HOME", (templ + "/data").c_str(), 1);
        setenv("XDG_RUNTIME_DIR", (templ + "/runtime").c_str(), 1);
        unsetenv("CHORELIN_TRACE");
        return templ;
    }();
    // Removed when the run ends normally; a crash leaves it for the investigation.
    static const bool cleanup = std::atexit([] {
                                    std::error_code ec;
                                    std::filesystem::remove_all(privateFolder(), ec);
                                }) == 0;
    (void)cleanup;
    return folder;
}

void fixClock() {
    platform::setClockOverride([] { return platform::LocalTime{2024, 5, 10, 12, 0, 0, 0, 5}; });
}

void giveCalendar(AppContext& ctx) {
    static const std::vector<CalendarDay> calendar = [] {
        AppContext built;
        MyCalMake(built);
        return built.calendar;
    }();
    ctx.calendar = calendar;
}

void fail(const char* what) {
    std::fprintf(stderr, "property failed: %s\n", what);
    std::abort();
}

std::vector<std::string> splitTexts(std::string_view input, size_t count) {
    std::vector<std::string> texts;
    while (texts.size() + 1 < count) {
        const size_t end = input.find('\n');
        if (end == std::string_view::npos)
            break;
        texts.emplace_back(input.substr(0, end));
        input.remove_prefix(end + 1);
    }
    texts.emplace_back(input);
    texts.resize(count);
    return texts;
}

} // namespace fuzz_support
