#include "protect/nibble_cipher.h"

#include <gtest/gtest.h>

#include <set>

namespace sitora::protect {
namespace {

std::string AllBytes() {
    std::string bytes;
    for (int b = 0; b < 256; ++b) bytes += static_cast<char>(b);
    return bytes;
}

TEST(NibbleCipher, EveryByteStringRoundTripsUnderEveryKey) {
    const std::string plain = AllBytes();
    for (int key = 0; key < 256; ++key) {
        std::string scrambled = ScrambleWithKey(plain, static_cast<unsigned char>(key));
        ASSERT_EQ(scrambled.size(), plain.size() + 1);
        ASSERT_EQ(static_cast<unsigned char>(scrambled[0]), key);
        ASSERT_EQ(Unscramble(scrambled), plain) << key;
    }
    EXPECT_EQ(Unscramble(Scramble("")), "");
    EXPECT_EQ(Unscramble(Scramble(plain)), plain);
}

TEST(NibbleCipher, OnlyTheLowNibbleChanges) {
    // Low nibble of the key 0101: 0x61 becomes 0x64 and back.
    EXPECT_EQ(ScrambleWithKey("a", 0x25), "\x25\x64");
    EXPECT_EQ(Unscramble("\x25\x64"), "a");
    // Keys with a zero low nibble leave the bytes as they are.
    for (unsigned char key : {16, 32, 48, 64, 80, 96, 112}) EXPECT_EQ(ScrambleWithKey("xyz", key).substr(1), "xyz");
    // Digits stay digits-range bytes, so a time stamp stays 14 bytes with no line break.
    std::string stamp = ScrambleWithKey("20111231235959", 0x0F).substr(1);
    for (unsigned char c : stamp) EXPECT_TRUE(c >= 0x30 && c <= 0x3F);
    // High bytes stay high.
    std::string high = ScrambleWithKey("\xCD\xF8", 0x7E);
    EXPECT_GE(static_cast<unsigned char>(high[1]), 0x80);
}

TEST(NibbleCipher, KeysCoverOneTo126AndNothingElse) {
    std::set<int> seen;
    for (int i = 0; i < 20000; ++i) {
        int key = static_cast<unsigned char>(Scramble("x")[0]);
        ASSERT_GE(key, 1);
        ASSERT_LE(key, 126);
        seen.insert(key);
    }
    EXPECT_EQ(seen.size(), 126u);
}

TEST(NibbleCipher, ShortInputsUnscrambleToNothing) {
    EXPECT_EQ(Unscramble(""), "");
    EXPECT_EQ(Unscramble("\x05"), "");
    EXPECT_EQ(Unscramble(std::string(1, '\0')), "");
}

}  // namespace
}  // namespace sitora::protect
