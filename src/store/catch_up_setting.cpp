#include "store/catch_up_setting.h"

#include "platform/settings_values.h"
#include "platform/text_codec.h"
#include "store/bool_setting.h"
#include "store/trace.h"

#include <optional>
#include <string>

namespace {

const char* const kCatchUpKey = "CatchUpMissedRuns";

} // namespace

void MyCatchUpSettingLoad(AppContext& ctx) {
    platform::SettingsValues& store = platform::userSettings();
    bool on = false;
    if (const std::optional<std::string> text = store.readText(kCatchUpKey)) {
        const std::optional<bool> flag = parseBoolSetting(*text);
        if (!flag)
            tracef("%s=%s は読めないため、オフとします。", kCatchUpKey,
                   platform::cp932ToUtf8Lossy(*text).c_str());
        on = flag.value_or(false);
    }
    ctx.catchUp.enabled = on;
    tracef("過ぎた実行を行う=%d", on ? 1 : 0);
}

int MyCatchUpSettingWrite(AppContext& ctx, bool on) {
    platform::SettingsValues& store = platform::userSettings();
    ctx.catchUp.enabled = on;
    store.open(); // as it is now; a store that does not exist yet is created by the write
    store.writeText(kCatchUpKey, on ? "true" : "false");
    return store.flush() ? 0 : -866;
}
