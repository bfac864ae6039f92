#pragma once
// What a record names outside the register: the domain a registry keeps (the registered domain,
// sub-domains dropped by the public suffix list) and the host and port its site answers on.
#include <optional>
#include <string>
#include <string_view>

namespace sitora::check {

struct SiteHost {
    std::string host;  // ASCII, lower case; an IPv6 address without brackets
    int port = 443;
};

// The host and port of a site address as people type them: "www.example.com",
// "https://www.example.com:8443/shop", "例子.中国". Nothing for an address with no host.
std::optional<SiteHost> SiteHostOf(std::string_view web_address);

// The registered domain of `web_domain`, or of the host of `web_address` when the domain is empty:
// "shop.example.com.cn" gives "example.com.cn", an IDN name its ASCII form ("xn--...").
// Nothing for an IP address, a bare public suffix or text that is no host name.
std::optional<std::string> RegisteredDomainOf(std::string_view web_domain, std::string_view web_address);

// True for 127.0.0.0/8, ::1 and "localhost": the only hosts spoken to over plain HTTP.
bool IsLoopbackHost(std::string_view host);

// The last label of a domain ("cn" of "example.com.cn").
std::string TopLevelLabel(std::string_view domain);

}  // namespace sitora::check
