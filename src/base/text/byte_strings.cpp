#include "base/text/byte_strings.h"

#include <cstdint>

namespace sitora::text {

std::string_view TrimBlanks(std::string_view s) {
    std::size_t begin = 0;
    std::size_t end = s.size();
    while (begin < end && IsBlank(static_cast<unsigned char>(s[begin]))) ++begin;
    while (end > begin && IsBlank(static_cast<unsigned char>(s[end - 1]))) --end;
    return s.substr(begin, end - begin);
}

std::string RemoveAll(std::string_view haystack, std::string_view needle) {
    if (needle.empty()) return std::string(haystack);
    std::string out;
    out.reserve(haystack.size());
    std::size_t pos = 0;
    for (std::size_t hit; (hit = haystack.find(needle, pos)) != std::string_view::npos;) {
        out.append(haystack.substr(pos, hit - pos));
        pos = hit + needle.size();
    }
    out.append(haystack.substr(pos));
    return out;
}

std::string AsciiLower(std::string_view s) {
    std::string lower(s);
    for (char& c : lower)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return lower;
}

bool EqualIgnoringAsciiCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && AsciiLower(a) == AsciiLower(b);
}

bool IsValidUtf8(std::string_view text) {
    const auto* s = reinterpret_cast<const unsigned char*>(text.data());
    const auto* end = s + text.size();
    while (s < end) {
        if (*s < 0x80) {
            ++s;
            continue;
        }
        int length;
        std::uint32_t cp;
        if (*s >= 0xC2 && *s < 0xE0) length = 2, cp = *s & 0x1F;
        else if (*s >= 0xE0 && *s < 0xF0) length = 3, cp = *s & 0x0F;
        else if (*s >= 0xF0 && *s < 0xF5) length = 4, cp = *s & 0x07;
        else return false;
        if (end - s < length) return false;
        for (int i = 1; i < length; ++i) {
            if ((s[i] & 0xC0) != 0x80) return false;
            cp = cp << 6 | (s[i] & 0x3F);
        }
        if ((length == 3 && cp < 0x800) || (length == 4 && (cp < 0x10000 || cp > 0x10FFFF)) ||
            (cp >= 0xD800 && cp < 0xE000))
            return false;
        s += length;
    }
    return true;
}

std::string Utf8Prefix(std::string_view text, std::size_t bytes) {
    if (text.size() <= bytes) return std::string(text);
    std::size_t end = bytes;
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
    return std::string(text.substr(0, end));
}

std::vector<std::string> SplitAt(std::string_view line, char separator) {
    std::vector<std::string> pieces;
    std::size_t begin = 0;
    for (std::size_t at; (at = line.find(separator, begin)) != std::string_view::npos; begin = at + 1)
        pieces.emplace_back(line.substr(begin, at - begin));
    pieces.emplace_back(line.substr(begin));
    return pieces;
}

}  // namespace sitora::text
