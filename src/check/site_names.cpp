#include "check/site_names.h"

#include <arpa/inet.h>
#include <idn2.h>
#include <libpsl.h>

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <memory>

#include "base/text/byte_strings.h"

namespace sitora::check {
namespace {

std::string Lower(std::string_view text) { return text::AsciiLower(text); }
std::string_view Trimmed(std::string_view text) { return text::TrimBlanks(text); }

bool IsIpAddress(const std::string& host) {
    unsigned char bytes[16];
    return inet_pton(AF_INET, host.c_str(), bytes) == 1 || inet_pton(AF_INET6, host.c_str(), bytes) == 1;
}

// The ASCII (punycode) form of a host name; nothing for one that is no valid name.
std::optional<std::string> AsciiName(std::string_view name) {
    const std::string text(name);
    if (text.empty() || text.find('\0') != std::string::npos) return std::nullopt;
    char* ascii = nullptr;
    if (idn2_to_ascii_8z(text.c_str(), &ascii, IDN2_NONTRANSITIONAL) != IDN2_OK) return std::nullopt;
    std::string result = Lower(ascii);
    idn2_free(ascii);
    if (!result.empty() && result.back() == '.') result.pop_back();
    const bool plain = std::all_of(result.begin(), result.end(), [](unsigned char c) {
        return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '.' || c == '_';
    });
    if (result.empty() || !plain || result.find("..") != std::string::npos || result.front() == '.') return std::nullopt;
    // DNS's own limits: 63 bytes a label, 253 the name.
    if (result.size() > 253) return std::nullopt;
    for (std::size_t start = 0; start < result.size();) {
        const std::size_t end = std::min(result.find('.', start), result.size());
        if (end - start > 63 || result[start] == '-' || result[end - 1] == '-') return std::nullopt;
        start = end + 1;
    }
    return result;
}

const psl_ctx_t* SuffixList() {
    // The system's list (package publicsuffix) when it is newer than the one built into libpsl.
    static const std::unique_ptr<psl_ctx_t, decltype(&psl_free)> list(psl_latest(nullptr), psl_free);
    return list ? list.get() : psl_builtin();
}

}  // namespace

std::optional<SiteHost> SiteHostOf(std::string_view web_address) {
    std::string_view rest = Trimmed(web_address);
    if (const auto scheme = rest.find("://"); scheme != std::string_view::npos) rest.remove_prefix(scheme + 3);
    rest = rest.substr(0, rest.find_first_of("/?#"));
    if (const auto at = rest.rfind('@'); at != std::string_view::npos) rest.remove_prefix(at + 1);
    SiteHost site;
    std::string_view host = rest;
    std::string_view port;
    if (rest.starts_with('[')) {  // [::1]:8443
        const auto close = rest.find(']');
        if (close == std::string_view::npos) return std::nullopt;
        host = rest.substr(1, close - 1);
        if (rest.size() > close + 1) {
            if (rest[close + 1] != ':') return std::nullopt;
            port = rest.substr(close + 2);
        }
        site.host = Lower(host);
        if (!IsIpAddress(site.host)) return std::nullopt;
    } else {
        if (const auto colon = rest.rfind(':'); colon != std::string_view::npos) {
            host = rest.substr(0, colon);
            port = rest.substr(colon + 1);
        }
        const std::string lowered = Lower(host);
        if (IsIpAddress(lowered)) {
            site.host = lowered;
        } else {
            const auto ascii = AsciiName(host);
            if (!ascii) return std::nullopt;
            site.host = *ascii;
        }
    }
    if (!port.empty()) {
        const auto [end, error] = std::from_chars(port.data(), port.data() + port.size(), site.port);
        if (error != std::errc() || end != port.data() + port.size() || site.port < 1 || site.port > 65535)
            return std::nullopt;
    }
    return site;
}

std::optional<std::string> RegisteredDomainOf(std::string_view web_domain, std::string_view web_address) {
    std::optional<std::string> name;
    if (!Trimmed(web_domain).empty()) {
        // People type the domain as an address too: "http://www.example.com/".
        if (const auto site = SiteHostOf(web_domain)) name = site->host;
    } else if (const auto site = SiteHostOf(web_address)) {
        name = site->host;
    }
    if (!name || IsIpAddress(*name)) return std::nullopt;
    const char* registered = psl_registrable_domain(SuffixList(), name->c_str());
    if (!registered) return std::nullopt;
    return std::string(registered);
}

bool IsLoopbackHost(std::string_view host) {
    std::string text = Lower(host);
    if (text.size() > 2 && text.front() == '[' && text.back() == ']') text = text.substr(1, text.size() - 2);
    if (text == "localhost" || text == "::1") return true;
    in_addr address{};
    return inet_pton(AF_INET, text.c_str(), &address) == 1 && (ntohl(address.s_addr) >> 24) == 127;
}

std::string TopLevelLabel(std::string_view domain) {
    const auto dot = domain.rfind('.');
    return std::string(dot == std::string_view::npos ? domain : domain.substr(dot + 1));
}

}  // namespace sitora::check
