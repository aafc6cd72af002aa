#pragma once
// The sample holiday file (Shift_JIS, CR LF, rows of 1955 and 2024 to 2027) and the same
// content in other encodings and line ends, for the holiday tests.

#include "platform/text_codec.h"
#include "support/temp_home.h"

#include <string>

namespace holiday_test {

inline std::string samplePath() {
    return std::string(CHORELIN_TEST_DATA) + "/syukujitsu-sample.csv";
}

inline const std::string& sampleBytes() {
    static const std::string bytes = testing_support::readFile(samplePath());
    return bytes;
}

// The sample as UTF-8 with LF line ends.
inline std::string sampleUtf8Lf() {
    std::string text = platform::cp932ToUtf8(sampleBytes()).value();
    std::string lf;
    for (char c : text) {
        if (c != '\r')
            lf += c;
    }
    return lf;
}

inline const std::string kHeader = "国民の祝日・休日月日,国民の祝日・休日名称\n";

} // namespace holiday_test
