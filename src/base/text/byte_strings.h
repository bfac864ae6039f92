#pragma once
#include <string>
#include <string_view>
#include <vector>

namespace sitora::text {

// A blank is a byte of value 32 or less: the space and the control characters.
constexpr bool IsBlank(unsigned char c) { return c <= 32; }

// Removes blanks at both ends only, never from the middle. Works on UTF-8 and on
// code page 936 bytes alike, since neither uses bytes below 33 inside a character.
std::string_view TrimBlanks(std::string_view s);

// Removes every non-overlapping occurrence of `needle`, scanning from left to right.
// An empty needle removes nothing.
std::string RemoveAll(std::string_view haystack, std::string_view needle);

// ASCII letters folded to lower case, every other byte as it is: how the register's look-ups
// and names compare without regard to case (SQLite's NOCASE does the same).
std::string AsciiLower(std::string_view s);
bool EqualIgnoringAsciiCase(std::string_view a, std::string_view b);

// The pieces of `line` between the separators (one more than there are separators): how the
// per-user files of tab-separated lines are read.
std::vector<std::string> SplitAt(std::string_view line, char separator);

// Well-formed UTF-8 throughout: no stray or overlong sequence, no surrogate.
bool IsValidUtf8(std::string_view text);

// At most `bytes` bytes of `text`, never ending inside a UTF-8 character: a piece of an outside
// answer quoted in a message.
std::string Utf8Prefix(std::string_view text, std::size_t bytes);

}  // namespace sitora::text
