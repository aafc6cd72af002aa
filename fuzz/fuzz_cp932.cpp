// cp932 <-> UTF-8 on any bytes: a conversion either fails or gives valid text of the other
// side, the lossy form always gives valid UTF-8, and text that went to cp932 comes back as it was.

#include "fuzz_support.h"
#include "platform/text_codec.h"

#include <cstdint>
#include <string>

namespace {

// Well-formed UTF-8: no overlong forms, no surrogates, nothing above U+10FFFF.
bool validUtf8(std::string_view s) {
    size_t i = 0;
    while (i < s.size()) {
        const unsigned char c = static_cast<unsigned char>(s[i]);
        size_t n;
        uint32_t cp;
        if (c < 0x80) {
            ++i;
            continue;
        } else if ((c & 0xE0) == 0xC0) {
            n = 1;
            cp = c & 0x1F;
        } else if ((c & 0xF0) == 0xE0) {
            n = 2;
            cp = c & 0x0F;
        } else if ((c & 0xF8) == 0xF0) {
            n = 3;
            cp = c & 0x07;
        } else {
            return false;
        }
        if (i + n >= s.size())
            return false;
        for (size_t k = 1; k <= n; ++k) {
            const unsigned char t = static_cast<unsigned char>(s[i + k]);
            if ((t & 0xC0) != 0x80)
                return false;
            cp = (cp << 6) | (t & 0x3F);
        }
        if ((n == 1 && cp < 0x80) || (n == 2 && cp < 0x800) || (n == 3 && cp < 0x10000) ||
            cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
            return false;
        i += n + 1;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);

    const std::optional<std::string> utf8 = platform::cp932ToUtf8(bytes);
    const std::string lossy = platform::cp932ToUtf8Lossy(bytes);
    if (!validUtf8(lossy))
        fuzz_support::fail("lossy conversion gave invalid UTF-8");
    if (utf8) {
        if (!validUtf8(*utf8))
            fuzz_support::fail("cp932 conversion gave invalid UTF-8");
        if (*utf8 != lossy)
            fuzz_support::fail("lossy conversion differs on valid cp932");
        // Valid cp932 text converts back (perhaps to another code of the same character).
        const std::optional<std::string> back = platform::utf8ToCp932(*utf8);
        if (!back)
            fuzz_support::fail("text read from cp932 cannot be written as cp932");
        if (platform::cp932ToUtf8(*back) != utf8)
            fuzz_support::fail("cp932 round trip changed the text");
    }

    // UTF-8 to cp932 may map a character to its cp932 look-alike ("〜" U+301C to "～"), so the
    // text need not come back unchanged; but what it gives reads back as text and is settled:
    // converting that text again gives the same bytes.
    const std::optional<std::string> cp932 = platform::utf8ToCp932(bytes);
    if (cp932) {
        if (!validUtf8(bytes))
            fuzz_support::fail("invalid UTF-8 was converted");
        const std::optional<std::string> back = platform::cp932ToUtf8(*cp932);
        if (!back)
            fuzz_support::fail("cp932 made from UTF-8 does not read back");
        if (platform::utf8ToCp932(*back) != cp932)
            fuzz_support::fail("UTF-8 to cp932 is not settled after one round");
    }
    return 0;
}
