#include "base/text/cp936.h"

#include <unicode/ucnv.h>

#include <array>
#include <cerrno>
#include <cstdint>
#include <memory>
#include <atomic>
#include <stdexcept>

namespace sitora::text {
namespace {

constexpr std::string_view kReplacementUtf8 = "\xEF\xBF\xBD";

// An ICU converter of this thread that stops at what it cannot map rather than substituting.
class StoppingConverter {
public:
    explicit StoppingConverter(const char* name) {
        UErrorCode error = U_ZERO_ERROR;
        converter_ = ucnv_open(name, &error);
        if (U_FAILURE(error)) throw std::runtime_error(std::string("ICU has no converter ") + name);
        ucnv_setToUCallBack(converter_, UCNV_TO_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &error);
        ucnv_setFromUCallBack(converter_, UCNV_FROM_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &error);
    }
    ~StoppingConverter() { ucnv_close(converter_); }
    StoppingConverter(const StoppingConverter&) = delete;
    StoppingConverter& operator=(const StoppingConverter&) = delete;
    // Reset for a conversion of its own.
    UConverter* Fresh() {
        ucnv_reset(converter_);
        return converter_;
    }

private:
    UConverter* converter_ = nullptr;
};

// GB18030 for what code page 936 lacks, from ICU as well: its table keeps the four-byte forms
// of the characters that later editions of GB18030 moved onto two-byte codes Windows gives to
// private-use characters, so that they come back as themselves. One converter per thread.
class Gb18030 {
public:

    // The form of one character, appended to `out`; false when it has none.
    bool Encode(char32_t code_point, std::string& out) {
        UChar units[2];
        int count = 1;
        if (code_point >= 0x10000) {
            units[0] = static_cast<UChar>(0xD800 + ((code_point - 0x10000) >> 10));
            units[1] = static_cast<UChar>(0xDC00 + ((code_point - 0x10000) & 0x3FF));
            count = 2;
        } else {
            units[0] = static_cast<UChar>(code_point);
        }
        char bytes[8];
        UErrorCode error = U_ZERO_ERROR;
        const int length = ucnv_fromUChars(converter_.Fresh(), bytes, sizeof bytes, units, count, &error);
        if (U_FAILURE(error) || length <= 0) return false;
        out.append(bytes, static_cast<std::size_t>(length));
        return true;
    }
    // The character of a four-byte form, or 0.
    char32_t Decode(std::string_view four_bytes) {
        UChar units[4];
        UErrorCode error = U_ZERO_ERROR;
        const int count = ucnv_toUChars(converter_.Fresh(), units, 4, four_bytes.data(), 4, &error);
        if (U_FAILURE(error)) return 0;
        if (count == 1) return units[0];
        if (count == 2 && units[0] >= 0xD800 && units[0] < 0xDC00)
            return 0x10000 + ((units[0] - 0xD800) << 10) + (units[1] - 0xDC00);
        return 0;
    }

private:
    StoppingConverter converter_{"gb18030"};
};

Gb18030& Gb18030Converter() {
    thread_local Gb18030 converter;
    return converter;
}


// Windows' own code page 936 as ICU holds it ("windows-936", which is Windows' table: the euro
// sign at 0x80, U+F8F5 for 0xFF, the user-defined areas in the private-use range, where glibc's
// CP936 has gaps). Each form is asked of ICU the first time it is needed and kept for the whole
// program: a register uses a few thousand characters, and no process pays for the whole table.
// Threads share what is kept; two asking the same form at once find the same answer.
class Windows936 {
public:
    static Windows936& Table() {
        static Windows936 table;
        return table;
    }
    // The character of one byte above 0x7F (`trail` 0) or of a pair, or 0 when it is none.
    char32_t Decode(unsigned char lead, unsigned char trail) {
        std::atomic<std::uint32_t>& entry = decode_[lead << 8 | trail];
        std::uint32_t known = entry.load(std::memory_order_relaxed);
        if (known == kUnknown) {
            known = kKnown | AskDecode(lead, trail);
            entry.store(known, std::memory_order_relaxed);
        }
        return known & ~kKnown;
    }
    // A character's bytes: a pair (lead << 8 | trail), one byte (below 0x100), or 0 for none.
    // Only forms that Windows reads back as the same character.
    std::uint16_t Encode(char32_t code_point) {
        if (code_point >= 0x10000) return 0;
        std::atomic<std::uint32_t>& entry = encode_[code_point];
        std::uint32_t known = entry.load(std::memory_order_relaxed);
        if (known == kUnknown) {
            known = kKnown | AskEncode(code_point);
            entry.store(known, std::memory_order_relaxed);
        }
        return static_cast<std::uint16_t>(known & ~kKnown);
    }

private:
    static constexpr std::uint32_t kUnknown = 0;
    static constexpr std::uint32_t kKnown = 1u << 31;

    // A converter of this thread, reset for one conversion.
    static UConverter* Converter() {
        thread_local StoppingConverter converter("windows-936");
        return converter.Fresh();
    }

    static char32_t AskDecode(unsigned char lead, unsigned char trail) {
        const char bytes[2] = {static_cast<char>(lead), static_cast<char>(trail)};
        UChar unit[4];
        UErrorCode error = U_ZERO_ERROR;
        const int units = ucnv_toUChars(Converter(), unit, 4, bytes, trail ? 2 : 1, &error);
        return U_SUCCESS(error) && units == 1 ? unit[0] : 0;
    }

    std::uint16_t AskEncode(char32_t code_point) {
        const UChar unit = static_cast<UChar>(code_point);
        unsigned char bytes[4];
        UErrorCode error = U_ZERO_ERROR;
        const int length = ucnv_fromUChars(Converter(), reinterpret_cast<char*>(bytes), 4, &unit, 1, &error);
        if (U_FAILURE(error) || length < 1 || length > 2) return 0;
        const unsigned char lead = bytes[0];
        const unsigned char trail = length == 2 ? bytes[1] : 0;
        if (Decode(lead, trail) != code_point) return 0;  // a one-way mapping: not Windows' own form
        return static_cast<std::uint16_t>(length == 2 ? lead << 8 | trail : lead);
    }

    std::atomic<std::uint32_t> decode_[0x10000] = {};
    std::atomic<std::uint32_t> encode_[0x10000] = {};
};

// One UTF-8 character at the start of `text`: its code point and length, or length 0 for a
// malformed sequence.
std::pair<char32_t, std::size_t> NextCharacter(std::string_view text) {
    const auto* s = reinterpret_cast<const unsigned char*>(text.data());
    const unsigned char lead = s[0];
    std::size_t length;
    char32_t code_point;
    if (lead < 0x80) return {lead, 1};
    if (lead >= 0xC2 && lead < 0xE0) length = 2, code_point = lead & 0x1F;
    else if (lead >= 0xE0 && lead < 0xF0) length = 3, code_point = lead & 0x0F;
    else if (lead >= 0xF0 && lead < 0xF5) length = 4, code_point = lead & 0x07;
    else return {0, 0};
    if (text.size() < length) return {0, 0};
    for (std::size_t i = 1; i < length; ++i) {
        if ((s[i] & 0xC0) != 0x80) return {0, 0};
        code_point = code_point << 6 | (s[i] & 0x3F);
    }
    if ((length == 3 && code_point < 0x800) || (length == 4 && (code_point < 0x10000 || code_point > 0x10FFFF)) ||
        (code_point >= 0xD800 && code_point < 0xE000))
        return {0, 0};
    return {code_point, length};
}

void AppendUtf8(char32_t code_point, std::string& out) {
    if (code_point < 0x80) {
        out += static_cast<char>(code_point);
    } else if (code_point < 0x800) {
        out += static_cast<char>(0xC0 | code_point >> 6);
        out += static_cast<char>(0x80 | (code_point & 0x3F));
    } else if (code_point < 0x10000) {
        out += static_cast<char>(0xE0 | code_point >> 12);
        out += static_cast<char>(0x80 | (code_point >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (code_point & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | code_point >> 18);
        out += static_cast<char>(0x80 | (code_point >> 12 & 0x3F));
        out += static_cast<char>(0x80 | (code_point >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (code_point & 0x3F));
    }
}

void AppendForm(std::uint16_t form, std::string& out) {
    if (form >= 0x100) out += static_cast<char>(form >> 8);
    out += static_cast<char>(form & 0xFF);
}

bool IsAscii(std::string_view s) {
    for (unsigned char c : s)
        if (c >= 0x80) return false;
    return true;
}

}  // namespace

std::string ToCp936(std::string_view utf8) {
    std::string out;
    ToCp936Into(utf8, out);
    return out;
}

namespace {

// Converts text of ASCII and characters code page 936 holds straight into `out`, which is sized
// once (no character grows: ASCII stays one byte, the rest take one or two); false (with `out`
// unspecified) when a character needs more care (no form here, malformed, beyond the BMP).
bool FastToCp936(std::string_view utf8, Windows936& table, std::string& out) {
    out.resize(utf8.size());
    char* dst = out.data();
    const auto* src = reinterpret_cast<const unsigned char*>(utf8.data());
    const auto* end = src + utf8.size();
    while (src < end) {
        const unsigned char lead = *src;
        if (lead < 0x80) {
            *dst++ = static_cast<char>(lead);
            ++src;
            continue;
        }
        char32_t code_point;
        int length;
        if (lead >= 0xC2 && lead < 0xE0) length = 2, code_point = lead & 0x1F;
        else if (lead >= 0xE0 && lead < 0xF0) length = 3, code_point = lead & 0x0F;
        else return false;
        if (end - src < length) return false;
        for (int i = 1; i < length; ++i) {
            if ((src[i] & 0xC0) != 0x80) return false;
            code_point = code_point << 6 | (src[i] & 0x3F);
        }
        if ((length == 3 && code_point < 0x800) || (code_point >= 0xD800 && code_point < 0xE000)) return false;
        const std::uint16_t form = table.Encode(code_point);
        if (form == 0) return false;
        if (form >= 0x100) *dst++ = static_cast<char>(form >> 8);
        *dst++ = static_cast<char>(form & 0xFF);
        src += length;
    }
    out.resize(static_cast<std::size_t>(dst - out.data()));
    return true;
}

}  // namespace

void ToCp936Into(std::string_view utf8, std::string& out) {
    if (IsAscii(utf8)) {
        out.assign(utf8);
        return;
    }
    Windows936& table = Windows936::Table();
    if (FastToCp936(utf8, table, out)) return;
    out.clear();
    out.reserve(utf8.size() + 4);
    while (!utf8.empty()) {
        const auto [code_point, length] = NextCharacter(utf8);
        if (length == 0) {
            out += '?';  // a malformed byte
            utf8.remove_prefix(1);
            continue;
        }
        if (const std::uint16_t form = code_point < 0x80 ? static_cast<std::uint16_t>(code_point) : table.Encode(code_point)) {
            AppendForm(form, out);
        } else {
            // What code page 936 lacks is written in its GB18030 form, so that nothing is lost.
            if (!Gb18030Converter().Encode(code_point, out)) out += '?';
        }
        utf8.remove_prefix(length);
    }
}

std::optional<std::string> ToCp936Exactly(std::string_view utf8) {
    Windows936& table = Windows936::Table();
    std::string out;
    out.reserve(utf8.size());
    while (!utf8.empty()) {
        const auto [code_point, length] = NextCharacter(utf8);
        const std::uint16_t form = code_point < 0x80 ? static_cast<std::uint16_t>(code_point) : table.Encode(code_point);
        if (length == 0 || (form == 0 && code_point != 0)) return std::nullopt;
        AppendForm(form, out);
        utf8.remove_prefix(length);
    }
    return out;
}

namespace {

char* WriteUtf8(char32_t code_point, char* dst) {
    if (code_point < 0x800) {
        *dst++ = static_cast<char>(0xC0 | code_point >> 6);
    } else {
        *dst++ = static_cast<char>(0xE0 | code_point >> 12);
        *dst++ = static_cast<char>(0x80 | (code_point >> 6 & 0x3F));
    }
    *dst++ = static_cast<char>(0x80 | (code_point & 0x3F));
    return dst;
}

// Decodes ASCII and two-byte forms straight into `out`, sized once; false when a byte needs more
// care (a lone byte, a four-byte GB18030 form, a pair that is no character).
bool FastFromCp936(std::string_view bytes, Windows936& table, std::string& out) {
    out.resize(bytes.size() / 2 * 3 + bytes.size() % 2 * 3);
    char* dst = out.data();
    const auto* src = reinterpret_cast<const unsigned char*>(bytes.data());
    const auto* end = src + bytes.size();
    while (src < end) {
        if (*src < 0x80) {
            *dst++ = static_cast<char>(*src++);
            continue;
        }
        if (end - src < 2 || src[1] < 0x40) return false;
        const char32_t code_point = table.Decode(src[0], src[1]);
        if (code_point < 0x80) return false;
        dst = WriteUtf8(code_point, dst);
        src += 2;
    }
    out.resize(static_cast<std::size_t>(dst - out.data()));
    return true;
}

}  // namespace

std::string FromCp936(std::string_view bytes) {
    if (IsAscii(bytes)) return std::string(bytes);
    Windows936& table = Windows936::Table();
    std::string out;
    if (FastFromCp936(bytes, table, out)) return out;
    out.clear();
    out.reserve(bytes.size() / 2 * 3 + bytes.size() % 2);  // a pair grows to three bytes at most
    while (!bytes.empty()) {
        const auto lead = static_cast<unsigned char>(bytes[0]);
        if (lead < 0x80) {
            out += static_cast<char>(lead);
            bytes.remove_prefix(1);
            continue;
        }
        const auto trail = bytes.size() >= 2 ? static_cast<unsigned char>(bytes[1]) : 0;
        // A pair's trail byte is 0x40 or more; below that the lead stands alone (0x80, 0xFF).
        const char32_t pair = trail >= 0x40 ? table.Decode(lead, trail) : 0;
        if (pair != 0) {
            AppendUtf8(pair, out);
            bytes.remove_prefix(2);
            continue;
        }
        if (const char32_t single = table.Decode(lead, 0)) {
            AppendUtf8(single, out);
            bytes.remove_prefix(1);
            continue;
        }
        // A four-byte GB18030 form (what ToCp936 writes for characters code page 936 lacks).
        const bool four_bytes = bytes.size() >= 4 && bytes[1] >= '0' && bytes[1] <= '9';
        if (const char32_t code_point = four_bytes ? Gb18030Converter().Decode(bytes.substr(0, 4)) : 0) {
            AppendUtf8(code_point, out);
            bytes.remove_prefix(4);
            continue;
        }
        out.append(kReplacementUtf8);
        bytes.remove_prefix(1);
    }
    return out;
}

std::size_t Cp936Length(std::string_view utf8) { return ToCp936(utf8).size(); }

}  // namespace sitora::text
