#include "cli/cli_output.h"

#include <QStringList>
#include <QTextStream>
#include <cstdio>

namespace cli {

void JsonObject::key(const char* name) {
    if (!body_.empty())
        body_ += ", ";
    body_ += jsonString(name) + ": ";
}

JsonObject& JsonObject::add(const char* name, const std::string& text) {
    key(name);
    body_ += jsonString(text);
    return *this;
}

JsonObject& JsonObject::add(const char* name, const std::optional<std::string>& textOrNull) {
    key(name);
    body_ += textOrNull ? jsonString(*textOrNull) : "null";
    return *this;
}

JsonObject& JsonObject::add(const char* name, int64_t number) {
    key(name);
    body_ += std::to_string(number);
    return *this;
}

JsonObject& JsonObject::add(const char* name, const std::optional<int64_t>& numberOrNull) {
    key(name);
    body_ += numberOrNull ? std::to_string(*numberOrNull) : "null";
    return *this;
}

std::string jsonArray(const std::vector<JsonObject>& objects) {
    if (objects.empty())
        return "[]\n";
    std::string out = "[\n";
    for (size_t i = 0; i < objects.size(); ++i)
        out += "  " + objects[i].text() + (i + 1 < objects.size() ? ",\n" : "\n");
    return out + "]\n";
}

std::string jsonString(const std::string& text) {
    // Through QString, so bytes that are no UTF-8 come out as U+FFFD, never as broken JSON.
    const std::string utf8 =
        QString::fromUtf8(text.data(), static_cast<int>(text.size())).toUtf8().toStdString();
    std::string out = "\"";
    for (const char c : utf8) {
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (static_cast<unsigned char>(c) < 0x20) {
                char escaped[8];
                std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
                out += escaped;
            } else {
                out += c;
            }
        }
    }
    return out + "\"";
}

int displayWidth(const QString& text) {
    int width = 0;
    for (const char32_t c : text.toUcs4()) {
        const bool wide = (c >= 0x1100 && c <= 0x115F) || (c >= 0x2E80 && c <= 0xA4CF) ||
                          (c >= 0xAC00 && c <= 0xD7A3) || (c >= 0xF900 && c <= 0xFAFF) ||
                          (c >= 0xFE30 && c <= 0xFE4F) || (c >= 0xFF00 && c <= 0xFF60) ||
                          (c >= 0xFFE0 && c <= 0xFFE6) || (c >= 0x20000 && c <= 0x3FFFD);
        width += wide ? 2 : 1;
    }
    return width;
}

std::string textTable(const std::vector<std::string>& header,
                      const std::vector<std::vector<std::string>>& rows) {
    std::vector<int> widths(header.size(), 0);
    auto measure = [&widths](const std::vector<std::string>& cells) {
        for (size_t k = 0; k < cells.size() && k < widths.size(); ++k)
            widths[k] = std::max(widths[k], displayWidth(QString::fromStdString(cells[k])));
    };
    measure(header);
    for (const std::vector<std::string>& row : rows)
        measure(row);
    auto line = [&widths](const std::vector<std::string>& cells) {
        std::string out;
        for (size_t k = 0; k < cells.size() && k < widths.size(); ++k) {
            // A cell never breaks its row: line breaks in it show as spaces.
            QString cell = QString::fromStdString(cells[k]);
            cell.replace(QLatin1Char('\n'), QLatin1Char(' ')).replace(QLatin1Char('\r'), ' ');
            out += cell.toStdString();
            if (k + 1 < cells.size())
                out += std::string(static_cast<size_t>(widths[k] - displayWidth(cell) + 2), ' ');
        }
        return out + "\n";
    };
    std::string out = line(header);
    std::vector<std::string> rules;
    for (const int w : widths)
        rules.emplace_back(static_cast<size_t>(w), '-');
    out += line(rules);
    for (const std::vector<std::string>& row : rows)
        out += line(row);
    return out;
}

void printOut(const std::string& text) {
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fflush(stdout);
}

int usageError(const QString& message) {
    QTextStream(stderr) << "chorelin: " << message << "\nTry 'chorelin --help'.\n";
    return 2;
}

int failure(const QString& message) {
    QTextStream(stderr) << "chorelin: " << message << "\n";
    return 1;
}

} // namespace cli
