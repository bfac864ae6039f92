// Registry answers are outside bytes: an RDAP reply or bootstrap file, a WHOIS reply.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "check/registry_answers.h"
#include "check/site_names.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    sitora::check::ReadRdapDomain(bytes);
    sitora::check::ReadWhoisReply(bytes);
    sitora::check::ReadWhoisReply(bytes, {"whois.hkirc.hk", "example.de"});
    sitora::check::ReadDateAt(bytes.substr(0, 64), sitora::check::DateOrder::kUnknown);
    sitora::check::ReadWhoisReferral(bytes);
    if (const auto bootstrap = sitora::check::ParseBootstrap(bytes).bootstrap)
        sitora::check::RdapBaseFor(*bootstrap, "shop.example.com.cn");
    if (size < 300) sitora::check::RegisteredDomainOf({}, bytes);
    return 0;
}
