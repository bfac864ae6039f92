#include "app/text/cp936.h"

#include <gtest/gtest.h>
#include <iconv.h>

#include <string>

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

TEST(Cp936, MalformedUtf8IsMarked) {
    EXPECT_EQ(ToCp936("a\xC3"), "a?");
    // Overlong forms and encoded surrogates are not characters, also amid Chinese text.
    EXPECT_EQ(ToCp936("网\xE0\x80\xAF"), "\xCD\xF8???");
    EXPECT_EQ(ToCp936("\xED\xA0\x80站"), "???\xD5\xBE");
    EXPECT_EQ(ToCp936("站\xCD"), "\xD5\xBE?");
}

std::string Utf8Of(char32_t c) {
    std::string s;
    if (c < 0x800) {
        s += static_cast<char>(0xC0 | c >> 6);
    } else {
        s += static_cast<char>(0xE0 | c >> 12);
        s += static_cast<char>(0x80 | (c >> 6 & 0x3F));
    }
    s += static_cast<char>(0x80 | (c & 0x3F));
    return s;
}

TEST(Cp936, EveryCharacterOfTheBasicPlaneConvertsAsIconvConvertsIt) {
    // The converter keeps the two-byte forms it has seen; each must be iconv's own answer, and
    // characters with four-byte forms must still get them, before and after a cached one.
    iconv_t cd = iconv_open("GB18030", "UTF-8");
    ASSERT_NE(cd, reinterpret_cast<iconv_t>(-1));
    for (int pass = 0; pass < 2; ++pass) {
        for (char32_t c = 0x80; c <= 0xFFFF; ++c) {
            if (c >= 0xD800 && c < 0xE000) continue;
            const std::string text = "a" + Utf8Of(c) + "网";
            char in[16], out[32];
            text.copy(in, text.size());
            char* src = in;
            char* dst = out;
            std::size_t src_left = text.size(), dst_left = sizeof out;
            iconv(cd, nullptr, nullptr, nullptr, nullptr);
            if (iconv(cd, &src, &src_left, &dst, &dst_left) == static_cast<std::size_t>(-1)) {
                // The few code points GB18030 has no place for are marked, not dropped.
                ASSERT_NE(ToCp936(text).find('?'), std::string::npos) << std::hex << static_cast<unsigned>(c);
                continue;
            }
            ASSERT_EQ(ToCp936(text), std::string(out, dst)) << std::hex << static_cast<unsigned>(c);
        }
    }
    iconv_close(cd);
}

TEST(Cp936, LongTextConvertsWhole) {
    std::string text;
    for (int i = 0; i < 5000; ++i) text += "站a";
    EXPECT_EQ(ToCp936(text).size(), 15000u);
    EXPECT_EQ(FromCp936(ToCp936(text)), text);
}

}  // namespace
}  // namespace sitora::text
