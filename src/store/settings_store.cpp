#include "store/settings_store.h"

#include "platform/settings_values.h"
#include "platform/text_codec.h"
#include "store/catch_up_setting.h"
#include "store/fields.h"
#include "store/schedule_text.h"
#include "store/trace.h"

#include <cstring>
#include <string>

namespace {
const char* const kIntervalKey = "DefaultInterval";
const char* const kScheduleKey = "DefaultSchedule";
} // namespace

int MyConfigRead(int32_t& intervalOut, char* scheduleOut, size_t scheduleSize) {
    platform::SettingsValues& store = platform::userSettings();
    if (!store.open())
        return -911;
    const std::optional<int> interval = store.readInt(kIntervalKey);
    if (!interval)
        return -893;
    const std::optional<std::string> schedule = store.readText(kScheduleKey);
    // The schedule field holds 64 bytes; a longer stored text cannot have been ours.
    if (!schedule || schedule->size() + 1 > 64)
        return -900;
    if (schedule->size() + 1 > scheduleSize)
        return -904;
    intervalOut = *interval;
    std::memset(scheduleOut, 0, scheduleSize);
    std::memcpy(scheduleOut, schedule->data(), schedule->size());
    return 0;
}

int MyConfigWrite(AppContext& ctx, int32_t interval, const char* schedule) {
    platform::SettingsValues& store = platform::userSettings();
    // Written into the store as it is now, never through one opened by an earlier read (a store
    // that does not exist yet is created by the write).
    store.open();
    const std::string_view text(schedule, strnlen(schedule, sizeof ctx.defaultSchedule - 1));
    store.writeInt(kIntervalKey, interval);
    ctx.defaultInterval = interval;
    store.writeText(kScheduleKey, std::string(text));
    setField(ctx.defaultSchedule, text);
    return store.flush() ? 0 : -866;
}

void MyConfigLoadAtStartup(AppContext& ctx) {
    if (MyConfigRead(ctx.defaultInterval, ctx.defaultSchedule, sizeof ctx.defaultSchedule) != 0)
        MyConfigWrite(ctx, kDefaultInterval, std::string(schedule_text::kDaily).c_str());
    tracef("実行時刻（初期値）=%d", ctx.defaultInterval);
    tracef("スケジュール（初期値）=%s",
           platform::cp932ToUtf8Lossy(fieldView(ctx.defaultSchedule)).c_str());
    MyCatchUpSettingLoad(ctx);
}
