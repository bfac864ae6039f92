#include "app/text/cp936.h"

#include <gtest/gtest.h>
#include <iconv.h>

#include <future>
#include <optional>
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

// iconv's own conversion of `text`, or nothing when it has no place for a character.
std::optional<std::string> Iconv(iconv_t cd, const std::string& text) {
    char in[16], out[32];
    text.copy(in, text.size());
    char* src = in;
    char* dst = out;
    std::size_t src_left = text.size(), dst_left = sizeof out;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    if (iconv(cd, &src, &src_left, &dst, &dst_left) == static_cast<std::size_t>(-1)) return std::nullopt;
    return std::string(out, dst);
}

TEST(Cp936, EveryCharacterOfTheBasicPlaneConvertsAsWindowsCodePage936OrElseGb18030) {
    // The converter keeps the two-byte forms it has seen; each must be code page 936's own,
    // and characters it lacks must get their GB18030 form, before and after a cached one.
    iconv_t cp936 = iconv_open("CP936", "UTF-8");
    iconv_t gb18030 = iconv_open("GB18030", "UTF-8");
    ASSERT_NE(cp936, reinterpret_cast<iconv_t>(-1));
    ASSERT_NE(gb18030, reinterpret_cast<iconv_t>(-1));
    for (int pass = 0; pass < 2; ++pass) {
        for (char32_t c = 0x80; c <= 0xFFFF; ++c) {
            if (c >= 0xD800 && c < 0xE000) continue;
            const std::string character = Utf8Of(c);
            auto expected = Iconv(cp936, character);
            if (!expected) expected = Iconv(gb18030, character);
            const std::string text = "a" + character + "网";
            if (!expected) {
                // The few code points GB18030 has no place for are marked, not dropped.
                ASSERT_NE(ToCp936(text).find('?'), std::string::npos) << std::hex << static_cast<unsigned>(c);
                continue;
            }
            ASSERT_EQ(ToCp936(text), "a" + *expected + "\xCD\xF8") << std::hex << static_cast<unsigned>(c);
        }
    }
    iconv_close(cp936);
    iconv_close(gb18030);
}

TEST(Cp936, EveryTwoByteFormDecodesAsIconvDoesAlsoOnTwoThreadsAtOnce) {
    // The decoder keeps what it learns of each pair for the whole program; two threads
    // learning the same pairs at once must both read them right.
    const auto decode_all = [] {
        iconv_t cp936 = iconv_open("UTF-8", "CP936");
        iconv_t gb18030 = iconv_open("UTF-8", "GB18030");
        int wrong = 0;
        for (int lead = 0x81; lead <= 0xFE; ++lead)
            for (int trail = 0x40; trail <= 0xFE; ++trail) {
                const std::string pair{static_cast<char>(lead), static_cast<char>(trail)};
                auto expected = Iconv(cp936, pair);
                if (!expected) expected = Iconv(gb18030, pair);
                if (expected && FromCp936("a" + pair + "\xCD\xF8") != "a" + *expected + "网") ++wrong;
            }
        iconv_close(cp936);
        iconv_close(gb18030);
        return wrong;
    };
    auto other = std::async(std::launch::async, decode_all);
    EXPECT_EQ(decode_all(), 0);
    EXPECT_EQ(other.get(), 0);
}

TEST(Cp936, TheEuroSignIsOneByteAndCarriersWrittenElsewhereDecode) {
    EXPECT_EQ(ToCp936("€€€"), "\x80\x80\x80");
    EXPECT_EQ(Cp936Length("€€€"), 3u);  // a three-byte password: too short
    EXPECT_EQ(FromCp936("\x80" "a"), "€a");
    // GB18030's two-byte euro, written by another program, still reads as the euro.
    EXPECT_EQ(FromCp936("\xA2\xE3"), "€");
}

TEST(Cp936, LongTextConvertsWhole) {
    std::string text;
    for (int i = 0; i < 5000; ++i) text += "站a";
    EXPECT_EQ(ToCp936(text).size(), 15000u);
    EXPECT_EQ(FromCp936(ToCp936(text)), text);
}

}  // namespace
}  // namespace sitora::text
