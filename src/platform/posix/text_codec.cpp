#include "platform/text_codec.h"

#include <cerrno>
#include <iconv.h>

namespace platform {
namespace {

// One descriptor per direction and thread, opened on first use: opening one loads and sets up
// the cp932 tables, which the scheduler would otherwise do for every path it looks at twice a
// second. A descriptor is not shared between threads, and each use starts from its initial
// shift state.
class Converter {
public:
    Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
    ~Converter() {
        if (cd_ != reinterpret_cast<iconv_t>(-1))
            iconv_close(cd_);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    // Converts all of `in`; on an invalid or unrepresentable sequence either fails or, when
    // `replacement` is given, emits it and skips one input byte.
    std::optional<std::string> run(std::string_view in, const char* replacement) {
        if (cd_ == reinterpret_cast<iconv_t>(-1))
            return std::nullopt;
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        std::string out;
        char buffer[1024];
        char* inPtr = const_cast<char*>(in.data());
        size_t inLeft = in.size();
        while (inLeft > 0) {
            char* outPtr = buffer;
            size_t outLeft = sizeof buffer;
            const size_t rc = iconv(cd_, &inPtr, &inLeft, &outPtr, &outLeft);
            out.append(buffer, static_cast<size_t>(outPtr - buffer));
            if (rc != static_cast<size_t>(-1)) {
                // glibc counts irreversible conversions in rc: a character that the target
                // cannot hold exactly.
                if (rc > 0 && !replacement)
                    return std::nullopt;
                continue;
            }
            if (errno == E2BIG)
                continue;
            if (!replacement)
                return std::nullopt;
            out += replacement;
            ++inPtr;
            --inLeft;
            iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        }
        return out;
    }

private:
    iconv_t cd_;
};

Converter& toCp932() {
    thread_local Converter converter("CP932", "UTF-8");
    return converter;
}

Converter& fromCp932() {
    thread_local Converter converter("UTF-8", "CP932");
    return converter;
}

} // namespace

std::optional<std::string> utf8ToCp932(std::string_view utf8) {
    return toCp932().run(utf8, nullptr);
}

std::optional<std::string> cp932ToUtf8(std::string_view cp932) {
    return fromCp932().run(cp932, nullptr);
}

std::string cp932ToUtf8Lossy(std::string_view cp932) {
    return fromCp932().run(cp932, "\xEF\xBF\xBD").value_or(std::string());
}

} // namespace platform
