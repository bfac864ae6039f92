#pragma once
// What registries said, kept per user so that a second run within the week asks nobody: a found
// date for a week (a day when it runs out within 30 days), a failure for an hour. Shared by every
// process of the user: written under a lock, merged, and replaced whole.
#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <string>

#include "base/text/dates.h"

namespace sitora::check {

enum class LookupOutcome { kFound, kNotFound, kNoService, kFailed, kStopped, kNoExpiry };

struct DomainLookup {
    LookupOutcome outcome = LookupOutcome::kFailed;
    std::optional<text::Date> expiry;
    std::string source;  // "RDAP rdap.example.com", "WHOIS whois.cnnic.cn"
    std::string reason;  // why it failed
};

class LookupCache {
public:
    explicit LookupCache(std::filesystem::path folder);

    // What the cache holds for `key` that is still valid at `now` (seconds since the epoch).
    std::optional<DomainLookup> Find(const std::string& key, std::int64_t now) const;
    // Keeps a lookup as long as its kind deserves; a stopped one is not kept.
    void Put(const std::string& key, const DomainLookup& lookup, std::int64_t now, const text::Date& today);
    // Merges what this run learnt into the file; false when it cannot be written (the check
    // itself stands: the cache only saves asking again).
    bool Save() const;

    // The cached copy of a bootstrap URL's file, and its age in seconds (nothing when none).
    std::optional<std::string> Bootstrap(const std::string& url, std::int64_t now, std::int64_t* age) const;
    void PutBootstrap(const std::string& url, const std::string& json) const;

private:
    struct Entry {
        std::int64_t valid_until = 0;
        DomainLookup lookup;
    };
    std::map<std::string, Entry> Read() const;

    std::filesystem::path folder_;
    std::map<std::string, Entry> entries_;
    std::map<std::string, Entry> learnt_;
};

// The time now in seconds since the epoch.
std::int64_t EpochNow();

}  // namespace sitora::check
