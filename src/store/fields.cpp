#include "store/fields.h"

namespace {
unsigned char lowerAscii(unsigned char c) {
    return (c >= 'A' && c <= 'Z') ? c + ('a' - 'A') : c;
}
} // namespace

int compareIgnoringAsciiCase(std::string_view a, std::string_view b) {
    // The second byte of a double-byte character may lie in A-Z (ネ is 0x83 0x6C, キ 0x83 0x4C):
    // folding it would make another character of it. Up to the first difference both texts
    // have the same lead bytes, so they step over their double-byte characters together.
    const size_t n = a.size() < b.size() ? a.size() : b.size();
    bool secondByte = false;
    for (size_t i = 0; i < n; ++i) {
        const auto ca = static_cast<unsigned char>(a[i]);
        const auto cb = static_cast<unsigned char>(b[i]);
        const unsigned char x = secondByte ? ca : lowerAscii(ca);
        const unsigned char y = secondByte ? cb : lowerAscii(cb);
        if (x != y)
            return x < y ? -1 : 1;
        secondByte = !secondByte && isCp932LeadByte(ca);
    }
    if (a.size() == b.size())
        return 0;
    return a.size() < b.size() ? -1 : 1;
}

bool equalsIgnoringAsciiCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && compareIgnoringAsciiCase(a, b) == 0;
}
