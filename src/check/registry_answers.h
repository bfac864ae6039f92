#pragma once
// What registries answer, read: the RDAP bootstrap (RFC 9224), an RDAP domain reply (RFC 9083)
// and the text of a WHOIS server. Outside bytes: every reader takes any input and says what it
// found or why it found nothing, never more.
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/text/dates.h"
#include "check/registry_dates.h"

namespace sitora::check {

// The services of a bootstrap file: each suffix ("com", "xn--fiqs8s") with its base URLs.
struct Bootstrap {
    std::map<std::string, std::vector<std::string>> services;
};

// A bootstrap file read: its services, or why the text is none.
struct BootstrapReading {
    std::optional<Bootstrap> bootstrap;
    std::string fault;
};
BootstrapReading ParseBootstrap(std::string_view json);

// The base URL for a domain: the service of its longest matching suffix, an https one first.
// Nothing when no service covers it.
std::optional<std::string> RdapBaseFor(const Bootstrap& bootstrap, std::string_view domain);

enum class AnswerKind {
    kFound,        // the registry's run-out date
    kNotFound,     // the registry keeps no such domain
    kNoExpiry,     // the domain is registered, but the registry publishes no run-out date
    kRateLimited,  // asked too fast: ask again later
    kUnreadable,   // an answer, but not one that gives a date (`reason` says why)
};

struct RegistryAnswer {
    AnswerKind kind = AnswerKind::kUnreadable;
    std::optional<text::Date> expiry;
    std::string reason;
};

// The "expiration" event of an RDAP domain object; a domain object without one is kNoExpiry.
RegistryAnswer ReadRdapDomain(std::string_view json);

// Where a WHOIS reply came from: the server asked and the domain asked about. They tell which
// way round the registry writes day and month, and whether it publishes run-out dates at all.
struct WhoisOrigin {
    std::string_view server;
    std::string_view domain;
};

// A WHOIS reply as the world's registries write them: "Registry Expiry Date: 2027-03-01T04:00:00Z",
// "Expiration Time:" (CNNIC), "Expiry Date: 01-03-2027" (.hk), "Record expires on 2027-03-01"
// (.tw), "[有効期限] 2027/03/01" (.jp), "expire: 1.3.2027" (.cz), a date on the line after its
// label, and more; their wordings for a domain not registered, and CNNIC's rate-limit reply.
// A date that could be read two ways is not read: kUnreadable with the text as written.
RegistryAnswer ReadWhoisReply(std::string_view reply, WhoisOrigin origin = {});

// How the registry behind `server` (or of `domain`'s suffix) writes day and month.
DateOrder DateOrderOf(WhoisOrigin origin);

// The "refer:" server of whois.iana.org's reply for a top-level domain; nothing when it names none.
std::optional<std::string> ReadWhoisReferral(std::string_view reply);

// True when `json` nests arrays and objects no deeper than `depth`: checked before parsing, so
// that a reply of a million brackets costs a scan, not gigabytes.
bool JsonNestingWithin(std::string_view json, int depth);

}  // namespace sitora::check
