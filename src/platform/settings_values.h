#pragma once
// The user's two settings values in the per-user settings store. Texts are cp932 at this seam.

#include <optional>
#include <string>

namespace platform {

class SettingsValues {
  public:
    virtual ~SettingsValues() = default;
    // false when the store cannot be opened at all
    virtual bool open() = 0;
    virtual std::optional<int> readInt(const std::string& key) = 0;
    virtual std::optional<std::string> readText(const std::string& key) = 0;
    virtual bool writeInt(const std::string& key, int value) = 0;
    virtual bool writeText(const std::string& key, const std::string& cp932Value) = 0;
    virtual bool flush() = 0;
};

// The real store: organisation "Marrowby", application "Chorelin".
SettingsValues& userSettings();
// Tests may substitute their own store; nullptr restores the real one.
void setSettingsOverride(SettingsValues* values);

} // namespace platform
