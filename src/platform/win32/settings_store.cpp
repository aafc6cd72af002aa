#include "platform/settings_store.h"

#include <QSettings>
#include <windows.h>

namespace platform {

bool settingsStoreWritten(const QSettings&) {
    HKEY key = nullptr;
    if (::RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\Marrowby\\Chorelin", 0, KEY_READ, &key) !=
        ERROR_SUCCESS)
        return false;
    ::RegCloseKey(key);
    return true;
}

} // namespace platform
