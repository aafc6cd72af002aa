#include "cli/cli_output.h"

#include "platform/console_text.h"

#include <QStringList>
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

std::string visibleText(const QString& text, QStringView keep) {
    QString out;
    out.reserve(text.size());
    for (const char32_t c : text.toUcs4()) {
        const bool control = c < 0x20 || c == 0x7f || (c >= 0x80 && c <= 0x9f);
        if (control && !keep.contains(QChar(static_cast<char16_t>(c))))
            out += QString::asprintf(c < 0x80 ? "\\x%02x" : "\\u%04x", static_cast<unsigned>(c));
        else
            out += QString::fromUcs4(&c, 1);
    }
    return out.toStdString();
}

std::string visibleText(std::string_view utf8, QStringView keep) {
    return visibleText(QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size())), keep);
}

std::string textTable(const std::vector<std::string>& header,
                      const std::vector<std::vector<std::string>>& rows) {
    // A cell never breaks its row: line breaks in it show as spaces, and every other control
    // character in its escaped form, so that nothing in a name can steer the terminal.
    const auto shown = [](const std::string& cell) {
        QString text = QString::fromUtf8(cell.data(), static_cast<qsizetype>(cell.size()));
        text.replace(QLatin1Char('\n'), QLatin1Char(' ')).replace(QLatin1Char('\r'), ' ');
        return visibleText(text);
    };
    const auto shownRow = [&shown](const std::vector<std::string>& row) {
        std::vector<std::string> line;
        for (const std::string& cell : row)
            line.push_back(shown(cell));
        return line;
    };
    std::vector<std::vector<std::string>> cells{shownRow(header)};
    for (const std::vector<std::string>& row : rows)
        cells.push_back(shownRow(row));
    std::vector<int> widths(header.size(), 0);
    for (const std::vector<std::string>& line : cells) {
        for (size_t k = 0; k < line.size() && k < widths.size(); ++k)
            widths[k] = std::max(widths[k], displayWidth(QString::fromStdString(line[k])));
    }
    auto line = [&widths](const std::vector<std::string>& row) {
        std::string out;
        for (size_t k = 0; k < row.size() && k < widths.size(); ++k) {
            out += row[k];
            if (k + 1 < row.size())
                out +=
                    std::string(static_cast<size_t>(
                                    widths[k] - displayWidth(QString::fromStdString(row[k])) + 2),
                                ' ');
        }
        return out + "\n";
    };
    std::string out = line(cells.front());
    std::vector<std::string> rules;
    for (const int w : widths)
        rules.emplace_back(static_cast<size_t>(w), '-');
    out += line(rules);
    for (size_t r = 1; r < cells.size(); ++r)
        out += line(cells[r]);
    return out;
}

void printOut(const std::string& text) {
    platform::writeText(platform::TextStream::Out, text);
}

void printError(const QString& message) {
    platform::writeText(platform::TextStream::Err, visibleText(message, u"\n\t") + "\n");
}

int usageError(const QString& message) {
    printError(QStringLiteral("chorelin: ") + message +
               QStringLiteral("\n使い方は 'chorelin --help' で表示されます。"));
    return 2;
}

int failure(const QString& message) {
    printError(QStringLiteral("chorelin: ") + message);
    return 1;
}

} // namespace cli
