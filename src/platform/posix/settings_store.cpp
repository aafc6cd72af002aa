#include "platform/settings_store.h"

#include <QFileInfo>
#include <QSettings>

namespace platform {

bool settingsStoreWritten(const QSettings& settings) {
    return QFileInfo::exists(settings.fileName());
}

} // namespace platform
