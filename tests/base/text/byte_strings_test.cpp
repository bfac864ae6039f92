#include "base/text/byte_strings.h"

#include <gtest/gtest.h>

namespace sitora::text {
namespace {

TEST(TrimBlanks, StripsControlCharactersAndSpacesAtBothEndsOnly) {
    EXPECT_EQ(TrimBlanks("  \t\r\nab c\x01\x1f "), "ab c");
    EXPECT_EQ(TrimBlanks(std::string_view("\0a\0", 3)), "a");
    EXPECT_EQ(TrimBlanks("   "), "");
    EXPECT_EQ(TrimBlanks(""), "");
    // Bytes of 0x80 and above are never blanks: a Chinese character at the edge stays.
    EXPECT_EQ(TrimBlanks(" 网站 "), "网站");
    EXPECT_EQ(TrimBlanks("!x!"), "!x!");
}

TEST(RemoveAll, RemovesEveryNonOverlappingMatchFromTheLeft) {
    EXPECT_EQ(RemoveAll("ab1234cd1234", "1234"), "abcd");
    EXPECT_EQ(RemoveAll("aaa", "aa"), "a");
    EXPECT_EQ(RemoveAll("xZunvekyZunvek", "Zunvek"), "xy");
    EXPECT_EQ(RemoveAll("abc", ""), "abc");
    EXPECT_EQ(RemoveAll("", "x"), "");
    // Removing can join pieces into a new match; that one stays.
    EXPECT_EQ(RemoveAll("1122", "12"), "12");
}

}  // namespace
}  // namespace sitora::text
