#include "store/history_settings.h"

#include "platform/settings_values.h"
#include "store/bool_setting.h"
#include "store/trace.h"

#include <charconv>
#include <optional>
#include <string>

namespace {

const char* const kNotifyKey = "NotifyOnFailure";
const char* const kRunsKey = "HistoryRunsPerTask";
const char* const kOutputKey = "HistoryOutputMiB";

// The stored number when it is one and lies within [low, high]; else the default, said in the
// trace so that a typing error in the file can be found.
int boundedInt(platform::SettingsValues& store, const char* key, int low, int high, int fallback) {
    const std::optional<std::string> text = store.readText(key);
    if (!text)
        return fallback;
    int value = 0;
    const auto [end, ec] = std::from_chars(text->data(), text->data() + text->size(), value);
    if (ec == std::errc() && end == text->data() + text->size() && value >= low && value <= high)
        return value;
    tracef("%s=%s は使えない値のため %d を使います。", key, text->c_str(), fallback);
    return fallback;
}

} // namespace

HistorySettings readHistorySettings() {
    platform::SettingsValues& store = platform::userSettings();
    // Re-reads the file: the values may have been changed since the store was last opened.
    // No file at all simply leaves every default.
    store.open();
    HistorySettings settings;
    if (const std::optional<std::string> text = store.readText(kNotifyKey)) {
        // A value that is none of the on/off words counts as off, as for every such setting.
        const std::optional<bool> on = parseBoolSetting(*text);
        settings.notifyOnFailure = on.value_or(false);
        if (!on)
            tracef("%s=%s は使えない値のため false を使います。", kNotifyKey, text->c_str());
    }
    settings.runsPerTask = boundedInt(store, kRunsKey, 1, 100000, kDefaultHistoryRunsPerTask);
    settings.outputMiB = boundedInt(store, kOutputKey, 0, 1048576, kDefaultHistoryOutputMiB);
    return settings;
}

bool writeNotifyOnFailure(bool on) {
    platform::SettingsValues& store = platform::userSettings();
    store.open(); // a store that does not exist yet is created by the write
    store.writeText(kNotifyKey, on ? "true" : "false");
    return store.flush();
}
