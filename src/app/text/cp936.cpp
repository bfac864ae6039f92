#include "app/text/cp936.h"

#include <iconv.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdint>
#include <memory>
#include <stdexcept>

namespace sitora::text {
namespace {

constexpr std::string_view kReplacementUtf8 = "\xEF\xBF\xBD";

// One iconv conversion, reset before each use.
class Converter {
public:
    Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {
        if (cd_ == reinterpret_cast<iconv_t>(-1))
            throw std::runtime_error(std::string("iconv cannot convert ") + from + " to " + to);
    }
    ~Converter() { iconv_close(cd_); }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    // Converts as much of `in` as it can, appending to `out`; the bytes left (from the first
    // one it cannot convert) stay in `in`.
    void ConvertPrefix(std::string_view& in, std::string& out) {
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        char* src = const_cast<char*>(in.data());
        size_t src_left = in.size();
        char buffer[1024];
        while (src_left > 0) {
            char* dst = buffer;
            size_t dst_left = sizeof buffer;
            const size_t rc = iconv(cd_, &src, &src_left, &dst, &dst_left);
            out.append(buffer, dst - buffer);
            if (rc == static_cast<size_t>(-1) && errno != E2BIG) break;
        }
        in.remove_prefix(in.size() - src_left);
    }
    // Converts the whole of `piece` into `out`; false (and `out` as it was) when it cannot.
    bool ConvertWhole(std::string_view piece, std::string& out) {
        const std::size_t kept = out.size();
        ConvertPrefix(piece, out);
        if (piece.empty()) return true;
        out.resize(kept);
        return false;
    }

private:
    iconv_t cd_;
};

// Windows code page 936 wherever it holds a character; GB18030, which agrees with it on all of
// code page 936 but the euro sign, for what code page 936 lacks, so that nothing is lost.
// `piece_length` gives the length of the one character at the start of the unconverted rest;
// what neither can convert becomes `replacement`, one input byte at a time.
std::string ConvertWithFallback(Converter& cp936, Converter& gb18030, std::string_view in,
                                std::size_t (*piece_length)(std::string_view), std::string_view replacement) {
    std::string out;
    out.reserve(in.size() * 2 + 4);
    while (!in.empty()) {
        cp936.ConvertPrefix(in, out);
        if (in.empty()) break;
        const std::size_t length = std::min(piece_length(in), in.size());
        if (gb18030.ConvertWhole(in.substr(0, length), out)) {
            in.remove_prefix(length);
        } else {
            out.append(replacement);
            in.remove_prefix(1);
        }
    }
    return out;
}

// The UTF-8 sequence a lead byte announces (1 for a byte that leads none).
std::size_t Utf8Length(std::string_view text) {
    const auto lead = static_cast<unsigned char>(text[0]);
    if (lead >= 0xF0) return 4;
    if (lead >= 0xE0) return 3;
    if (lead >= 0xC0) return 2;
    return 1;
}

// A GB18030 character: four bytes when its second byte is a digit, else two.
std::size_t Gb18030Length(std::string_view text) {
    if (text.size() >= 2 && text[1] >= '0' && text[1] <= '9') return 4;
    return 2;
}

bool IsAscii(std::string_view s) {
    for (unsigned char c : s)
        if (c >= 0x80) return false;
    return true;
}

std::string ConvertToCp936(std::string_view utf8) {
    thread_local Converter cp936("CP936", "UTF-8");
    thread_local Converter gb18030("GB18030", "UTF-8");
    return ConvertWithFallback(cp936, gb18030, utf8, Utf8Length, "?");
}

// The two-byte form of each character of the Basic Multilingual Plane, asked of iconv once
// per character and kept for the whole program: exports convert every cell, and a register
// uses a few thousand characters at most. Threads share it; one asking a form another is
// asking at the same moment finds the same answer.
class TwoByteForms {
public:
    // The character's two bytes (lead << 8 | trail), or 0 when it has another form.
    std::uint16_t Of(char32_t code_point, std::string_view utf8) {
        std::atomic<std::uint16_t>& entry = forms_[code_point];
        std::uint16_t form = entry.load(std::memory_order_relaxed);
        if (form == kUnknown) {
            const std::string bytes = ConvertToCp936(utf8);
            form = bytes.size() == 2 ? static_cast<std::uint16_t>(static_cast<unsigned char>(bytes[0]) << 8 |
                                                                  static_cast<unsigned char>(bytes[1]))
                                     : kOther;
            entry.store(form, std::memory_order_relaxed);
        }
        return form == kOther ? 0 : form;
    }

private:
    // No two-byte form has a trail byte below 0x40, so these never collide with one.
    static constexpr std::uint16_t kUnknown = 0;
    static constexpr std::uint16_t kOther = 1;
    std::atomic<std::uint16_t> forms_[0x10000] = {};
};

// Converts valid UTF-8 of ASCII and two-byte characters straight into `out`; false (with
// `out` unspecified) when a character needs iconv's full treatment.
bool FastToCp936(std::string_view utf8, std::string& out) {
    static TwoByteForms forms;
    out.resize(utf8.size());  // no character grows: ASCII stays one byte, the rest take two
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
        if (lead >= 0xC2 && lead < 0xE0) {
            length = 2;
            code_point = lead & 0x1F;
        } else if (lead >= 0xE0 && lead < 0xF0) {
            length = 3;
            code_point = lead & 0x0F;
        } else {
            return false;  // a stray byte, or beyond the Basic Multilingual Plane
        }
        if (end - src < length) return false;
        for (int i = 1; i < length; ++i) {
            if ((src[i] & 0xC0) != 0x80) return false;
            code_point = code_point << 6 | (src[i] & 0x3F);
        }
        if ((length == 3 && code_point < 0x800) || (code_point >= 0xD800 && code_point < 0xE000)) return false;
        const std::uint16_t form =
            forms.Of(code_point, std::string_view(reinterpret_cast<const char*>(src), static_cast<std::size_t>(length)));
        if (form == 0) return false;
        *dst++ = static_cast<char>(form >> 8);
        *dst++ = static_cast<char>(form & 0xFF);
        src += length;
    }
    out.resize(static_cast<std::size_t>(dst - out.data()));
    return true;
}

}  // namespace

std::string ToCp936(std::string_view utf8) {
    std::string out;
    ToCp936Into(utf8, out);
    return out;
}

void ToCp936Into(std::string_view utf8, std::string& out) {
    if (IsAscii(utf8)) {
        out.assign(utf8);
        return;
    }
    if (!FastToCp936(utf8, out)) out = ConvertToCp936(utf8);
}

std::optional<std::string> ToCp936Exactly(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    while (!utf8.empty()) {
        const std::size_t length = std::min(Utf8Length(utf8), utf8.size());
        const std::string_view character = utf8.substr(0, length);
        utf8.remove_prefix(length);
        if (character == "\xE2\x82\xAC" || character == "\xEF\xA3\xB5") {  // U+20AC, U+F8F5
            out += character[0] == '\xE2' ? '\x80' : '\xFF';
            continue;
        }
        std::string bytes;
        if (!FastToCp936(character, bytes) || bytes.empty() || bytes.size() > 2) return std::nullopt;
        out += bytes;
    }
    return out;
}

namespace {

std::string SlowFromCp936(std::string_view bytes) {
    thread_local Converter cp936("UTF-8", "CP936");
    thread_local Converter gb18030("UTF-8", "GB18030");
    return ConvertWithFallback(cp936, gb18030, bytes, Gb18030Length, kReplacementUtf8);
}

// The UTF-8 of each two-byte form, asked of iconv once per form and kept for the whole
// program, shared by its threads like TwoByteForms: an imported list of a hundred thousand
// rows uses a few thousand characters.
class TwoByteCharacters {
public:
    // The character's UTF-8 (one to three bytes) in `utf8`, and its length; 0 when the pair is
    // no one character.
    std::size_t Of(unsigned char lead, unsigned char trail, char* utf8) {
        std::atomic<std::uint32_t>& entry = entries_[lead << 8 | trail];
        std::uint32_t packed = entry.load(std::memory_order_relaxed);
        if (packed == kUnknown) {
            packed = Packed(lead, trail);
            entry.store(packed, std::memory_order_relaxed);
        }
        const std::size_t length = (packed >> 24) - 1;
        for (std::size_t i = 0; i < length; ++i) utf8[i] = static_cast<char>(packed >> (8 * i) & 0xFF);
        return length;
    }

private:
    // The character's bytes in the low three bytes, its length plus one in the top one.
    static constexpr std::uint32_t kUnknown = 0;

    static std::uint32_t Packed(unsigned char lead, unsigned char trail) {
        const char pair[2] = {static_cast<char>(lead), static_cast<char>(trail)};
        const std::string utf8 = SlowFromCp936(std::string_view(pair, 2));
        const bool one_character = utf8.size() <= 3 && utf8 != kReplacementUtf8 && Utf8Length(utf8) == utf8.size();
        if (!one_character) return 1u << 24;
        std::uint32_t packed = static_cast<std::uint32_t>(utf8.size() + 1) << 24;
        for (std::size_t i = 0; i < utf8.size(); ++i)
            packed |= static_cast<std::uint32_t>(static_cast<unsigned char>(utf8[i])) << (8 * i);
        return packed;
    }

    std::atomic<std::uint32_t> entries_[0x10000] = {};
};

// Decodes ASCII and two-byte forms straight into `out`; false when a byte needs iconv's full
// treatment (a lone byte above 0x7F, a four-byte GB18030 form, a pair that is no character).
bool FastFromCp936(std::string_view bytes, std::string& out) {
    static TwoByteCharacters characters;
    out.resize(bytes.size() / 2 * 3 + bytes.size() % 2);  // a pair grows to three bytes at most
    char* dst = out.data();
    const auto* src = reinterpret_cast<const unsigned char*>(bytes.data());
    const auto* end = src + bytes.size();
    while (src < end) {
        if (*src < 0x80) {
            *dst++ = static_cast<char>(*src++);
            continue;
        }
        if (end - src < 2 || *src == 0x80 || *src == 0xFF || src[1] < 0x40) return false;
        const std::size_t length = characters.Of(src[0], src[1], dst);
        if (length == 0) return false;
        dst += length;
        src += 2;
    }
    out.resize(static_cast<std::size_t>(dst - out.data()));
    return true;
}

}  // namespace

std::string FromCp936(std::string_view bytes) {
    if (IsAscii(bytes)) return std::string(bytes);
    std::string out;
    if (FastFromCp936(bytes, out)) return out;
    return SlowFromCp936(bytes);
}

std::size_t Cp936Length(std::string_view utf8) { return ToCp936(utf8).size(); }

}  // namespace sitora::text
