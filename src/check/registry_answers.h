#pragma once
// What registries answer, read: the RDAP bootstrap (RFC 9224), an RDAP domain reply (RFC 9083)
// and the text of a WHOIS server. Outside bytes: every reader takes any input and says what it
// found or why it found nothing, never more.
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/text/dates.h"

namespace sitora::check {

// The services of a bootstrap file: each suffix ("com", "xn--fiqs8s") with its base URLs.
struct Bootstrap {
    std::map<std::string, std::vector<std::string>> services;
};

// Nothing (and `why`) for text that is no bootstrap file.
std::optional<Bootstrap> ParseBootstrap(std::string_view json, std::string* why);

// The base URL for a domain: the service of its longest matching suffix, an https one first.
// Nothing when no service covers it.
std::optional<std::string> RdapBaseFor(const Bootstrap& bootstrap, std::string_view domain);

enum class AnswerKind {
    kFound,        // the registry's run-out date
    kNotFound,     // the registry keeps no such domain
    kRateLimited,  // asked too fast: ask again later
    kUnreadable,   // an answer, but not one that gives a date (`reason` says why)
};

struct RegistryAnswer {
    AnswerKind kind = AnswerKind::kUnreadable;
    std::optional<text::Date> expiry;
    std::string reason;
};

// The "expiration" event of an RDAP domain object.
RegistryAnswer ReadRdapDomain(std::string_view json);

// A WHOIS reply: "Expiration Time: 2027-03-01 12:00:00" (CNNIC), "Registry Expiry Date:
// 2027-03-01T04:00:00Z", "Expiry date:", "paid-till:" and the like; CNNIC's "No matching
// record." and its rate-limit reply.
RegistryAnswer ReadWhoisReply(std::string_view reply);

// The "refer:" server of whois.iana.org's reply for a top-level domain; nothing when it names none.
std::optional<std::string> ReadWhoisReferral(std::string_view reply);

// The calendar date at the start of a registry's date-time ("2027-03-01T04:00:00Z",
// "2027-03-01 12:00:00", "2027-03-01", "01-Mar-2027").
std::optional<text::Date> ReadRegistryDate(std::string_view text);

}  // namespace sitora::check
