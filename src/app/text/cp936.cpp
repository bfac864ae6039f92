#include "app/text/cp936.h"

#include <iconv.h>

#include <cerrno>
#include <stdexcept>

namespace sitora::text {
namespace {

constexpr std::string_view kReplacementUtf8 = "\xEF\xBF\xBD";

class Converter {
public:
    Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {
        if (cd_ == reinterpret_cast<iconv_t>(-1))
            throw std::runtime_error(std::string("iconv cannot convert ") + from + " to " + to);
    }
    ~Converter() { iconv_close(cd_); }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    // Converts the whole input; on an invalid or incomplete sequence appends
    // `replacement` and skips one input byte.
    std::string Convert(std::string_view in, std::string_view replacement) {
        std::string out;
        out.reserve(in.size() * 2 + 4);
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        char* src = const_cast<char*>(in.data());
        size_t src_left = in.size();
        char buffer[1024];
        while (src_left > 0) {
            char* dst = buffer;
            size_t dst_left = sizeof buffer;
            size_t rc = iconv(cd_, &src, &src_left, &dst, &dst_left);
            out.append(buffer, dst - buffer);
            if (rc != static_cast<size_t>(-1)) continue;
            if (errno == E2BIG) continue;
            // EILSEQ or EINVAL: mark the bad byte and resynchronise after it.
            out.append(replacement);
            ++src;
            --src_left;
            iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        }
        return out;
    }

private:
    iconv_t cd_;
};

bool IsAscii(std::string_view s) {
    for (unsigned char c : s)
        if (c >= 0x80) return false;
    return true;
}

}  // namespace

std::string ToCp936(std::string_view utf8) {
    if (IsAscii(utf8)) return std::string(utf8);
    thread_local Converter converter("GB18030", "UTF-8");
    return converter.Convert(utf8, "?");
}

void ToCp936Into(std::string_view utf8, std::string& out) {
    if (IsAscii(utf8)) {
        out.assign(utf8);
        return;
    }
    out = ToCp936(utf8);
}

std::string FromCp936(std::string_view bytes) {
    if (IsAscii(bytes)) return std::string(bytes);
    thread_local Converter converter("UTF-8", "GB18030");
    return converter.Convert(bytes, kReplacementUtf8);
}

std::size_t Cp936Length(std::string_view utf8) { return ToCp936(utf8).size(); }

}  // namespace sitora::text
