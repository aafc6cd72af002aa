#pragma once
// Output of the reading commands: a JSON array of flat objects with their keys in a fixed
// order, and a plain-text table whose columns line up also with Japanese (wide) characters.

#include <QString>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace cli {

// One JSON object; values are added in the order they are to appear.
class JsonObject {
public:
    JsonObject& add(const char* key, const std::string& text);
    JsonObject& add(const char* key, const std::optional<std::string>& textOrNull);
    JsonObject& add(const char* key, int64_t number);
    JsonObject& add(const char* key, const std::optional<int64_t>& numberOrNull);
    std::string text() const { return "{" + body_ + "}"; }

private:
    void key(const char* name);
    std::string body_;
};

// "[\n  {...},\n  {...}\n]\n", or "[]\n".
std::string jsonArray(const std::vector<JsonObject>& objects);
// A JSON string literal of UTF-8 text (invalid bytes become U+FFFD).
std::string jsonString(const std::string& text);

// The text with every control character that `keep` does not name (C0, DEL and C1) in a
// visible escaped form: "\x1b", "\x7f", "\u009b". Bytes that are no UTF-8 become U+FFFD.
std::string visibleText(const QString& text, QStringView keep = {});
std::string visibleText(std::string_view utf8, QStringView keep = {});

// Columns padded to their widest cell, two spaces apart; the header underlined. Line breaks in
// a cell show as spaces, other control characters escaped (visibleText).
std::string textTable(const std::vector<std::string>& header,
                      const std::vector<std::vector<std::string>>& rows);
// Columns a text takes on a terminal: 2 for wide (East Asian) characters, 1 otherwise.
int displayWidth(const QString& text);

// Writes UTF-8 text to standard output.
void printOut(const std::string& text);
// A message on standard error, its control characters but line breaks and tabs escaped.
void printError(const QString& message);
// "chorelin: <message>" and the hint to --help on standard error; returns 2.
int usageError(const QString& message);
// "chorelin: <message>" on standard error; returns 1.
int failure(const QString& message);

} // namespace cli
