// The settings values through QSettings: a file on Linux, the registry under
// HKEY_CURRENT_USER\Software\Marrowby\Chorelin on Windows (Qt's native format on each).

#include "platform/settings_values.h"

#include "platform/settings_store.h"
#include "platform/text_codec.h"

#include <QSettings>
#include <atomic>
#include <memory>

namespace platform {
namespace {

class QtSettingsValues : public SettingsValues {
public:
    bool open() override {
        settings_ = std::make_unique<QSettings>("Marrowby", "Chorelin");
        // A store that was never written is the "no key" case.
        return settingsStoreWritten(*settings_) && settings_->status() == QSettings::NoError;
    }
    std::optional<int> readInt(const std::string& key) override {
        if (!ensure() || !settings_->contains(QString::fromStdString(key)))
            return std::nullopt;
        bool ok = false;
        const int value = settings_->value(QString::fromStdString(key)).toInt(&ok);
        if (!ok)
            return std::nullopt;
        return value;
    }
    std::optional<std::string> readText(const std::string& key) override {
        if (!ensure() || !settings_->contains(QString::fromStdString(key)))
            return std::nullopt;
        const QString text = settings_->value(QString::fromStdString(key)).toString();
        return utf8ToCp932(text.toStdString());
    }
    bool writeInt(const std::string& key, int value) override {
        ensure();
        settings_->setValue(QString::fromStdString(key), value);
        return true;
    }
    bool writeText(const std::string& key, const std::string& cp932Value) override {
        ensure();
        const std::optional<std::string> utf8 = cp932ToUtf8(cp932Value);
        if (!utf8)
            return false;
        settings_->setValue(QString::fromStdString(key), QString::fromStdString(*utf8));
        return true;
    }
    bool flush() override {
        ensure();
        settings_->sync();
        const bool ok = settings_->status() == QSettings::NoError;
        settings_.reset(); // the next use reads the store again, as a fresh start would
        return ok;
    }

private:
    bool ensure() {
        if (!settings_)
            settings_ = std::make_unique<QSettings>("Marrowby", "Chorelin");
        return true;
    }
    std::unique_ptr<QSettings> settings_;
};

std::atomic<SettingsValues*> overrideValues{nullptr};

} // namespace

SettingsValues& userSettings() {
    if (SettingsValues* o = overrideValues.load())
        return *o;
    static QtSettingsValues values;
    return values;
}

void setSettingsOverride(SettingsValues* values) {
    overrideValues.store(values);
}

} // namespace platform
