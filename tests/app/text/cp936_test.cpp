#include "app/text/cp936.h"

#include <gtest/gtest.h>

namespace sitora::text {
namespace {

TEST(Cp936, ChineseTextUsesTwoBytesPerCharacter) {
    EXPECT_EQ(ToCp936("网站"), "\xCD\xF8\xD5\xBE");
    EXPECT_EQ(Cp936Length("密码密"), 6u);  // three Chinese characters meet the 6-byte rule
    EXPECT_EQ(Cp936Length("abcde"), 5u);
    EXPECT_EQ(FromCp936("\xCD\xF8\xD5\xBE"), "网站");
}

TEST(Cp936, CharactersOutsideGbkRoundTrip) {
    // An emoji and a Korean syllable have no GBK code; they must not be lost.
    for (const char* text : {"😀", "한", "mixed 中文 😀 text", "€"}) {
        std::string bytes = ToCp936(text);
        EXPECT_EQ(FromCp936(bytes), text) << text;
        EXPECT_EQ(bytes.find('?'), std::string::npos) << text;
    }
}

TEST(Cp936, InvalidBytesDecodeWithoutLosingTheRest) {
    // 0xFF cannot start a character: it becomes U+FFFD and decoding goes on.
    EXPECT_EQ(FromCp936("a\xFF" "b\xCD\xF8"), "a\xEF\xBF\xBD" "b网");
    // A lead byte at the very end.
    EXPECT_EQ(FromCp936("ab\xCD"), "ab\xEF\xBF\xBD");
}

TEST(Cp936, MalformedUtf8IsMarked) { EXPECT_EQ(ToCp936("a\xC3"), "a?"); }

TEST(Cp936, LongTextConvertsWhole) {
    std::string text;
    for (int i = 0; i < 5000; ++i) text += "站a";
    EXPECT_EQ(ToCp936(text).size(), 15000u);
    EXPECT_EQ(FromCp936(ToCp936(text)), text);
}

}  // namespace
}  // namespace sitora::text
