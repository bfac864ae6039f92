// Any bytes through the code page 936 conversions: valid UTF-8 always comes back whole, and
// decoding arbitrary bytes never crashes.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "base/text/cp936.h"

namespace {

// A character code page 936 lacks whose GB18030 form is a two-byte code (some CJK extension A
// characters, ǹ, ḿ): Windows reads those two bytes as a private-use character of its own, and
// Windows' reading wins, so the character comes back as that one.
bool HasTwoByteGb18030Form(std::string_view s) {
    for (std::size_t i = 0; i < s.size();) {
        const auto c = static_cast<unsigned char>(s[i]);
        const std::size_t length = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : 4;
        const std::string_view character = s.substr(i, length);
        if (!sitora::text::ToCp936Exactly(character) && sitora::text::ToCp936(character).size() == 2) return true;
        i += length;
    }
    return false;
}

bool ValidUtf8(std::string_view s) {
    for (std::size_t i = 0; i < s.size();) {
        const auto c = static_cast<unsigned char>(s[i]);
        std::size_t length = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
        if (length == 0 || i + length > s.size()) return false;
        std::uint32_t code = length == 1 ? c : c & (0x7F >> length);
        for (std::size_t k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(s[i + k]);
            if ((next >> 6) != 2) return false;
            code = (code << 6) | (next & 0x3F);
        }
        const std::uint32_t minimum[] = {0, 0, 0x80, 0x800, 0x10000};
        if (code < minimum[length] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return false;
        i += length;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const std::string decoded = sitora::text::FromCp936(bytes);
    if (!ValidUtf8(decoded)) __builtin_trap();
    if (ValidUtf8(bytes) && !HasTwoByteGb18030Form(bytes) && sitora::text::FromCp936(sitora::text::ToCp936(bytes)) != bytes)
        __builtin_trap();
    return 0;
}
