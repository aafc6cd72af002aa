#pragma once
// Whether the user's settings store was ever written: a file on Linux, a registry key on
// Windows. One implementation per system; settings_values.cpp holds the rest.

class QSettings;

namespace platform {

bool settingsStoreWritten(const QSettings& settings);

} // namespace platform
