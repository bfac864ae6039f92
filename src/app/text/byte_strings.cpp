#include "app/text/byte_strings.h"

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

}  // namespace sitora::text
