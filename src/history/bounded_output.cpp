#include "history/bounded_output.h"

#include "platform/output_pipe.h"
#include "platform/system_names.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <utility>

namespace history {
namespace {

// Room kept for the line between the parts.
constexpr int64_t kGapLineBytes = 96;
// The last part is kept in memory, so it stays small whatever the limit.
constexpr int64_t kMaxTail = int64_t{1} << 20;

} // namespace

BoundedOutput::BoundedOutput(int file, int64_t limit) : file_(file) {
    limit = std::max<int64_t>(limit, 0);
    limit_ = limit;
    const int64_t tail = std::min(limit / 2, kMaxTail);
    head_ = std::max<int64_t>(limit - tail - kGapLineBytes, 0);
    tailCap_ =
        static_cast<size_t>(std::max<int64_t>(std::min(tail, limit - head_ - kGapLineBytes), 0));
}

BoundedOutput::~BoundedOutput() {
    platform::closeDescriptor(file_);
}

void BoundedOutput::write(const char* data, size_t size) {
    if (size == 0 || error_ != 0)
        return;
    if (platform::appendAll(file_, data, size))
        written_ += static_cast<int64_t>(size);
    else
        error_ = errno != 0 ? errno : ENOSPC;
}

void BoundedOutput::append(const char* data, size_t size) {
    if (written_ < head_ && left_ == 0 && tail_.empty()) {
        const size_t first = static_cast<size_t>(std::min<int64_t>(head_ - written_, size));
        write(data, first);
        data += first;
        size -= first;
    }
    if (size == 0 || tailCap_ == 0) {
        left_ += static_cast<int64_t>(size);
        return;
    }
    // The ring keeps the last tailCap_ bytes; what falls out of it is left out.
    if (size >= tailCap_) {
        left_ += static_cast<int64_t>(tail_.size() + size - tailCap_);
        tail_.assign(data + size - tailCap_, tailCap_);
        tailStart_ = 0;
        return;
    }
    if (tail_.size() < tailCap_) {
        const size_t free = tailCap_ - tail_.size();
        const size_t take = std::min(free, size);
        tail_.append(data, take);
        data += take;
        size -= take;
    }
    while (size > 0) {
        const size_t chunk = std::min(size, tailCap_ - tailStart_);
        std::memcpy(tail_.data() + tailStart_, data, chunk);
        tailStart_ = (tailStart_ + chunk) % tailCap_;
        data += chunk;
        size -= chunk;
        left_ += static_cast<int64_t>(chunk);
    }
}

void BoundedOutput::finish() {
    if (left_ > 0) {
        const std::string line = "\n…（" + std::to_string(left_) + " バイトを省略しました）…\n";
        // Under a limit too small even for this line, the file holds only what fits.
        if (written_ + static_cast<int64_t>(line.size() + tail_.size()) <= limit_)
            write(line.data(), line.size());
    }
    write(tail_.data() + tailStart_, tail_.size() - tailStart_);
    write(tail_.data(), tailStart_);
    tail_.clear();
    tailStart_ = 0;
}

int BoundedOutput::release() {
    return std::exchange(file_, -1);
}

int64_t BoundedOutput::room() const {
    return error_ != 0 ? 0
                       : std::max<int64_t>(head_ + static_cast<int64_t>(tailCap_) - written_, 0);
}

std::string BoundedOutput::note() const {
    if (error_ != 0)
        return std::string("出力ファイルに書き込めなくなったため、それ以降の出力は捨てました。（") +
               platform::errorText(error_) + "）";
    if (left_ > 0)
        return "出力が上限を超えたため、最初と最後の部分だけを残し、" + std::to_string(left_) +
               " バイトを省略しました。";
    return std::string();
}

} // namespace history
