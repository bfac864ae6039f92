#pragma once
// The check of a register against the outside world: each record's domain date against its
// registry's, and its site's certificate. Each domain and each site is asked once however many
// records share it; a few questions run at once; the findings arrive record by record.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "base/text/dates.h"
#include "check/certificate_probe.h"
#include "check/lookup_cache.h"
#include "check/registry_lookup.h"
#include "check/stop_flag.h"

namespace sitora::check {

// What the check needs of one record.
struct CheckedRecord {
    std::string number, name, address, domain;
    std::optional<text::Date> domain_runs_out;  // as the register has it
};

enum class DomainVerdict {
    kAgrees,          // within a day of the registry's
    kRenewed,         // the registry's is later: renewed, the register not updated
    kEarlier,         // the registry's is earlier than the register's
    kNoRegisterDate,  // the registry has a date, the register none
    kNotFound,        // not registered (any more)
    kNoExpiry,        // registered; the registry publishes no run-out date
    kNoService,       // no RDAP or WHOIS service for the suffix
    kFailed,
    kNoDomain,        // nothing to ask about
    kStopped,
};

enum class CertificateVerdict {
    kValid,
    kRunningOut,
    kExpired,
    kNotVerified,
    kNoAnswer,
    kNoAddress,       // the record has no site address
    kInvalidAddress,  // its site address names no host
    kStopped,
};

// How a verdict stands: the one rule for the count of what needs attention and the colours.
enum class Standing { kFine, kAttention, kNeutral };
Standing StandingOf(DomainVerdict verdict);
Standing StandingOf(CertificateVerdict verdict);

struct RecordFinding {
    CheckedRecord record;
    std::string registered_domain;
    DomainLookup registry;
    DomainVerdict domain_verdict = DomainVerdict::kNoDomain;
    std::string domain_text;  // the verdict in words, with the reason of a failure
    std::string site;         // host[:port] whose certificate was read
    CertificateAnswer certificate;
    CertificateVerdict certificate_verdict = CertificateVerdict::kNoAddress;
    std::string certificate_text;
    bool needs_attention = false;
};

struct CheckSettings {
    RegistrySettings registry;
    int parallel = 4;
    text::Date today;
    int certificate_lead_days = 0;  // a certificate running out within these days needs attention
    // The moment certificates are verified at (seconds since the epoch): noon of `today` when the
    // check looks at another day than this one; nothing for now.
    std::optional<std::int64_t> verify_at;
};

// Runs the check of `records`, calling `on_finding` (from a worker thread, one call at a time) for
// each record as soon as both its answers are in, and `on_progress` with done/total questions.
// Returns the findings in the order of `records`. With the stop flag raised, what is still to be
// asked ends as stopped, and is not counted as done.
std::vector<RecordFinding> CheckRecords(const std::vector<CheckedRecord>& records, const CheckSettings& settings,
                                        LookupCache& cache, const StopFlag& stop,
                                        const std::function<void(std::size_t index, const RecordFinding& finding)>& on_finding = {},
                                        const std::function<void(int done, int total)>& on_progress = {});

// The verdicts of one record from its two answers (also used for a cached answer).
void Judge(RecordFinding& finding, const CheckSettings& settings);

}  // namespace sitora::check
