#include "ui/drop_naming.h"

#include "dialogs/exec_file_messages.h"
#include "store/fields.h"

#include <cstdio>

namespace {

std::string suffixOf(int k) {
    char text[24];
    std::snprintf(text, sizeof text, "(%03d)", k);
    return text;
}

} // namespace

DroppedPathParts splitDroppedPath(std::string_view path) {
    // Neither '/' nor '.' can be the second byte of a cp932 character, so a byte search is safe.
    DroppedPathParts parts;
    const size_t slash = path.rfind('/');
    const size_t nameStart = slash == std::string_view::npos ? 0 : slash + 1;
    parts.folder = std::string(path.substr(0, nameStart));
    const std::string_view fileName = path.substr(nameStart);
    const size_t dot = fileName.rfind('.');
    if (dot == std::string_view::npos) {
        parts.name = std::string(fileName);
    } else {
        parts.name = std::string(fileName.substr(0, dot));
        parts.extension = std::string(fileName.substr(dot));
    }
    return parts;
}

std::string_view cp932Prefix(std::string_view text, size_t maxBytes) {
    size_t end = 0;
    while (end < text.size()) {
        const size_t width =
            isCp932LeadByte(static_cast<unsigned char>(text[end])) && end + 1 < text.size() ? 2 : 1;
        if (end + width > maxBytes)
            break;
        end += width;
    }
    return text.substr(0, end);
}

std::string dropCandidateName(std::string_view name, std::string_view extension, int k,
                              size_t capacity) {
    const std::string suffix = suffixOf(k);
    if (name.size() + extension.size() + suffix.size() <= capacity)
        return std::string(name) + std::string(extension) + suffix;
    if (suffix.size() >= capacity)
        return std::string(cp932Prefix(suffix, capacity));
    const size_t room = capacity - suffix.size();
    if (extension.size() <= room)
        return std::string(cp932Prefix(name, room - extension.size())) + std::string(extension) +
               suffix;
    const std::string whole = std::string(name) + std::string(extension);
    return std::string(cp932Prefix(whole, room)) + suffix;
}

std::string uniqueDropName(std::string_view name, std::string_view extension,
                           std::span<const TaskRecord> tasks, size_t capacity) {
    int k = 0;
    std::string candidate = dropCandidateName(name, extension, k, capacity);
    for (size_t i = 0; i < tasks.size();) {
        if (equalsIgnoringAsciiCase(fieldView(tasks[i].name), candidate)) {
            candidate = dropCandidateName(name, extension, ++k, capacity);
            i = 0;
            continue;
        }
        ++i;
    }
    return candidate;
}

std::string runTimeAfter(const platform::LocalTime& now, int minutes) {
    constexpr int kMinutesPerDay = 24 * 60;
    const long long total = static_cast<long long>(now.hour) * 60 + now.minute + minutes;
    const int ofDay =
        static_cast<int>(((total % kMinutesPerDay) + kMinutesPerDay) % kMinutesPerDay);
    char text[16];
    std::snprintf(text, sizeof text, "%02d:%02d", ofDay / 60, ofDay % 60);
    return text;
}

std::string dropResolutionMessage(int result, const std::string& pathUtf8) {
    return execFileFailureMessage(result, pathUtf8, "\n");
}
