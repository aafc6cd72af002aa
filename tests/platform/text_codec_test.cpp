// cp932 <-> UTF-8 through converters kept for each thread: a failed conversion leaves nothing
// behind for the next one, and threads converting at once do not disturb each other.

#include "platform/text_codec.h"

#include <gtest/gtest.h>
#include <thread>

namespace {

TEST(TextCodec, EachConversionStartsAfreshOnEveryThread) {
    const auto convert = [] {
        for (int round = 0; round < 50; ++round) {
            EXPECT_EQ(platform::cp932ToUtf8("\x82\xa0\x82"),
                      std::nullopt); // cut inside a character
            EXPECT_EQ(platform::cp932ToUtf8Lossy("a\x81 z"), "a\xEF\xBF\xBD z"); // no second byte
            EXPECT_EQ(platform::cp932ToUtf8("\x97\x5c\x92\xe8\xb1"), "予定ｱ");
            EXPECT_EQ(platform::utf8ToCp932("予定ｱ"), "\x97\x5c\x92\xe8\xb1");
        }
    };
    std::thread other(convert);
    convert();
    other.join();
}

} // namespace
