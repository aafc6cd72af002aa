#pragma once
// Bounded access to the fixed text fields of a record. A record read from disk may hold a field
// with no terminating zero, so every reader stops at the field's width.

#include <cstring>
#include <string>
#include <string_view>

template <size_t N> std::string_view fieldView(const char (&field)[N]) {
    return std::string_view(field, strnlen(field, N));
}

template <size_t N> std::string fieldString(const char (&field)[N]) {
    return std::string(fieldView(field));
}

// Stores `text` with its terminator and zero fill; refuses (and changes nothing) when the text
// does not fit. Callers that take user input check the fit first and say so.
template <size_t N> bool setField(char (&field)[N], std::string_view text) {
    if (text.size() >= N)
        return false;
    std::memset(field, 0, N);
    std::memcpy(field, text.data(), text.size());
    return true;
}

template <size_t N> void clearField(char (&field)[N]) {
    std::memset(field, 0, N);
}

template <size_t N> constexpr size_t fieldCapacity(const char (&)[N]) {
    return N - 1;
}

// The first byte of a double-byte cp932 character.
inline bool isCp932LeadByte(unsigned char c) {
    return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

// Equality of cp932 texts (names, paths, schedule texts) ignoring the case of single-byte ASCII
// letters only: a double-byte character compares byte for byte, its second byte included.
bool equalsIgnoringAsciiCase(std::string_view a, std::string_view b);
// The same comparison as an order: <0, 0, >0.
int compareIgnoringAsciiCase(std::string_view a, std::string_view b);
