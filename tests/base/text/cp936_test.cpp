#include "base/text/cp936.h"

#include <gtest/gtest.h>
#include <unicode/ucnv.h>

#include <future>
#include <optional>
#include <string>
#include <vector>

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
    // 0x81 0x7F is no pair: the lead becomes U+FFFD and decoding goes on.
    EXPECT_EQ(FromCp936("a\x81\x7F" "b\xCD\xF8"), "a\xEF\xBF\xBD\x7F" "b网");
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

// An ICU converter (windows-936, Windows' own table, unless named), stopping at what it cannot map.
struct Windows936 {
    UConverter* converter;
    explicit Windows936(const char* name = "windows-936") {
        UErrorCode error = U_ZERO_ERROR;
        converter = ucnv_open(name, &error);
        ucnv_setToUCallBack(converter, UCNV_TO_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &error);
        ucnv_setFromUCallBack(converter, UCNV_FROM_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &error);
    }
    ~Windows936() { ucnv_close(converter); }
    std::optional<std::string> Encode(char16_t c) {
        char out[8];
        UErrorCode error = U_ZERO_ERROR;
        ucnv_reset(converter);
        const UChar unit = c;
        const int length = ucnv_fromUChars(converter, out, 8, &unit, 1, &error);
        if (U_FAILURE(error) || length == 0) return std::nullopt;  // ICU skips what it ignores
        return std::string(out, static_cast<std::size_t>(length));
    }
    std::optional<std::string> Decode(const std::string& bytes) {
        UChar units[4];
        UErrorCode error = U_ZERO_ERROR;
        ucnv_reset(converter);
        const int length = ucnv_toUChars(converter, units, 4, bytes.data(), static_cast<int>(bytes.size()), &error);
        if (U_FAILURE(error) || length != 1) return std::nullopt;
        return Utf8Of(units[0]);
    }
};

TEST(Cp936, EveryCharacterOfTheBasicPlaneConvertsAsWindowsCodePage936OrElseGb18030) {
    Windows936 windows;
    Windows936 gb18030("gb18030");
    for (char32_t c = 0x80; c <= 0xFFFF; ++c) {
        if (c >= 0xD800 && c < 0xE000) continue;
        const std::string character = Utf8Of(c);
        auto expected = windows.Encode(static_cast<char16_t>(c));
        if (!expected) expected = gb18030.Encode(static_cast<char16_t>(c));
        const std::string text = "a" + character + "网";
        if (!expected) {
            // The few code points GB18030 has no place for are marked, not dropped.
            ASSERT_NE(ToCp936(text).find('?'), std::string::npos) << std::hex << static_cast<unsigned>(c);
            continue;
        }
        ASSERT_EQ(ToCp936(text), "a" + *expected + "\xCD\xF8") << std::hex << static_cast<unsigned>(c);
    }
}

TEST(Cp936, EveryPairAnd0x80And0xFFReadAsWindowsReadsThemAndComeBackExactlyAlsoOnTwoThreads) {
    // The private-use characters Windows maps into GBK (A6D9 is U+E78D, A2E3 U+E76C) are where
    // glibc's CP936 has gaps; scrambled accounts land on them.
    const auto check_all = [] {
        Windows936 windows;
        int wrong = 0;
        std::vector<std::string> codes = {"\x80", "\xFF"};
        for (int lead = 0x81; lead <= 0xFE; ++lead)
            for (int trail = 0x40; trail <= 0xFE; ++trail)
                if (trail != 0x7F) codes.push_back({static_cast<char>(lead), static_cast<char>(trail)});
        for (const std::string& code : codes) {
            const auto expected = windows.Decode(code);
            if (!expected || FromCp936("a" + code + "\xCD\xF8") != "a" + *expected + "网" ||
                ToCp936Exactly(*expected) != code)
                ++wrong;
        }
        return wrong;
    };
    auto other = std::async(std::launch::async, check_all);
    EXPECT_EQ(check_all(), 0);
    EXPECT_EQ(other.get(), 0);
    EXPECT_EQ(FromCp936("\xA6\xD9\xFF"), "\xEE\x9E\x8D\xEF\xA3\xB5");  // U+E78D U+F8F5
}

TEST(Cp936, TheEuroSignIsOneByteAndCarriersWrittenElsewhereDecode) {
    EXPECT_EQ(ToCp936("€€€"), "\x80\x80\x80");
    EXPECT_EQ(Cp936Length("€€€"), 3u);  // a three-byte password: too short
    EXPECT_EQ(FromCp936("\x80" "a"), "€a");
}

TEST(Cp936, LongTextConvertsWhole) {
    std::string text;
    for (int i = 0; i < 5000; ++i) text += "站a";
    EXPECT_EQ(ToCp936(text).size(), 15000u);
    EXPECT_EQ(FromCp936(ToCp936(text)), text);
}

}  // namespace
}  // namespace sitora::text
