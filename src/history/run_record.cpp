#include "history/run_record.h"

#include "platform/system_names.h"

#include <array>
#include <chrono>
#include <cstring>
#include <utility>

namespace history {
namespace {

constexpr std::array<std::pair<RunTrigger, std::string_view>, 3> kTriggers{{
    {RunTrigger::Scheduled, "scheduled"},
    {RunTrigger::Manual, "manual"},
    {RunTrigger::CatchUp, "catch-up"},
}};

constexpr std::array<std::pair<RunEnding, std::string_view>, 6> kEndings{{
    {RunEnding::Exited, "exited"},
    {RunEnding::Signal, "signal"},
    {RunEnding::Killed, "killed"},
    {RunEnding::Failed, "failed"},
    {RunEnding::Running, "running"},
    {RunEnding::Lost, "lost"},
}};

} // namespace

std::string_view triggerWord(RunTrigger trigger) {
    for (const auto& [value, word] : kTriggers) {
        if (value == trigger)
            return word;
    }
    return "scheduled";
}

std::string_view endingWord(RunEnding ending) {
    for (const auto& [value, word] : kEndings) {
        if (value == ending)
            return word;
    }
    return "lost";
}

std::optional<RunTrigger> triggerFromWord(std::string_view word) {
    for (const auto& [value, known] : kTriggers) {
        if (known == word)
            return value;
    }
    return std::nullopt;
}

std::optional<RunEnding> endingFromWord(std::string_view word) {
    for (const auto& [value, known] : kEndings) {
        if (known == word)
            return value;
    }
    return std::nullopt;
}

std::string signalName(int signal) {
    if (const std::string name = platform::signalAbbreviation(signal); !name.empty())
        return "SIG" + name;
    return "SIG" + std::to_string(signal);
}

int64_t nowMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
}

} // namespace history
