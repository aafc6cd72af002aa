#include "platform/text_codec.h"

#include "platform/win32/win_util.h"

namespace platform {
namespace {

constexpr UINT kCp932 = 932;

std::optional<std::wstring> fromCp932(std::string_view cp932) {
    if (cp932.empty())
        return std::wstring();
    const int n = ::MultiByteToWideChar(kCp932, MB_ERR_INVALID_CHARS, cp932.data(),
                                        static_cast<int>(cp932.size()), nullptr, 0);
    if (n <= 0)
        return std::nullopt;
    std::wstring wide(static_cast<size_t>(n), L'\0');
    ::MultiByteToWideChar(kCp932, MB_ERR_INVALID_CHARS, cp932.data(),
                          static_cast<int>(cp932.size()), wide.data(), n);
    return wide;
}

} // namespace

std::optional<std::string> utf8ToCp932(std::string_view utf8) {
    const std::optional<std::wstring> wide = win::widen(utf8);
    if (!wide)
        return std::nullopt;
    if (wide->empty())
        return std::string();
    // A character that cp932 cannot hold is an error, never a best-fit look-alike or "?".
    BOOL usedDefault = FALSE;
    const int n =
        ::WideCharToMultiByte(kCp932, WC_NO_BEST_FIT_CHARS, wide->data(),
                              static_cast<int>(wide->size()), nullptr, 0, nullptr, &usedDefault);
    if (n <= 0 || usedDefault)
        return std::nullopt;
    std::string bytes(static_cast<size_t>(n), '\0');
    ::WideCharToMultiByte(kCp932, WC_NO_BEST_FIT_CHARS, wide->data(),
                          static_cast<int>(wide->size()), bytes.data(), n, nullptr, &usedDefault);
    if (usedDefault)
        return std::nullopt;
    return bytes;
}

std::optional<std::string> cp932ToUtf8(std::string_view cp932) {
    const std::optional<std::wstring> wide = fromCp932(cp932);
    if (!wide)
        return std::nullopt;
    return win::narrow(*wide);
}

std::string cp932ToUtf8Lossy(std::string_view cp932) {
    if (std::optional<std::string> whole = cp932ToUtf8(cp932))
        return *whole;
    // Character by character: a lead byte takes its trail byte with it; whatever does not
    // convert becomes U+FFFD.
    std::string out;
    for (size_t i = 0; i < cp932.size();) {
        const size_t len =
            ::IsDBCSLeadByteEx(kCp932, static_cast<BYTE>(cp932[i])) && i + 1 < cp932.size() ? 2 : 1;
        const std::optional<std::string> one = cp932ToUtf8(cp932.substr(i, len));
        if (one) {
            out += *one;
            i += len;
        } else {
            out += "\xEF\xBF\xBD";
            i += 1;
        }
    }
    return out;
}

} // namespace platform
