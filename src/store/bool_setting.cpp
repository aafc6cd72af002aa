#include "store/bool_setting.h"

#include <array>

namespace {

bool sameIgnoringCase(std::string_view text, std::string_view word) {
    if (text.size() != word.size())
        return false;
    for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
        if (c != word[i])
            return false;
    }
    return true;
}

} // namespace

std::optional<bool> parseBoolSetting(std::string_view text) {
    constexpr std::array<std::string_view, 4> kOn = {"true", "1", "yes", "on"};
    constexpr std::array<std::string_view, 4> kOff = {"false", "0", "no", "off"};
    for (const std::string_view word : kOn) {
        if (sameIgnoringCase(text, word))
            return true;
    }
    for (const std::string_view word : kOff) {
        if (sameIgnoringCase(text, word))
            return false;
    }
    return std::nullopt;
}
