#include "history/output_tail.h"

#include "platform/files.h"

#include <algorithm>
#include <utility>

namespace history {
namespace {

bool isContinuation(char c) {
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

// A cut text starts on the next line when one begins near the front, else on the next whole
// UTF-8 character.
void startOnWhole(std::string& text) {
    const size_t newline = text.find('\n');
    if (newline != std::string::npos && newline < 4096) {
        text.erase(0, newline + 1);
        return;
    }
    size_t skip = 0;
    while (skip < text.size() && skip < 3 && isContinuation(text[skip]))
        ++skip;
    text.erase(0, skip);
}

} // namespace

OutputTail readOutputTail(const std::string& path, int64_t maxBytes) {
    OutputTail tail;
    if (path.empty())
        return tail;
    platform::FileTail read = platform::readFileTail(path, maxBytes);
    if (!read.readable)
        return tail;
    tail.readable = true;
    tail.fileBytes = read.fileBytes;
    tail.cut = read.fileBytes > std::max<int64_t>(maxBytes, 0);
    tail.text = std::move(read.bytes);
    if (tail.cut)
        startOnWhole(tail.text);
    return tail;
}

std::vector<std::string> lastLines(const std::string& text, int count, size_t maxChars) {
    std::vector<std::string> lines;
    size_t end = text.size();
    while (end > 0 && static_cast<int>(lines.size()) < count) {
        const size_t newline = text.rfind('\n', end - 1);
        const size_t begin = newline == std::string::npos ? 0 : newline + 1;
        std::string line = text.substr(begin, end - begin);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.find_first_not_of(" \t") != std::string::npos) {
            if (line.size() > maxChars) {
                size_t cut = maxChars;
                while (cut > 0 && isContinuation(line[cut]))
                    --cut;
                line = line.substr(0, cut) + "…";
            }
            lines.push_back(std::move(line));
        }
        if (newline == std::string::npos)
            break;
        end = newline;
    }
    std::reverse(lines.begin(), lines.end());
    return lines;
}

} // namespace history
