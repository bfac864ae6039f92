#pragma once
// Asks the registry of a domain for its run-out date: RDAP where the bootstrap names a service,
// WHOIS otherwise (a server named for the suffix, CNNIC for .cn, or the one whois.iana.org refers
// to), paced per host and remembered in the cache.
#include <map>
#include <mutex>
#include <optional>
#include <string>

#include "check/host_pacer.h"
#include "check/lookup_cache.h"
#include "check/registry_answers.h"
#include "check/stop_flag.h"

namespace sitora::check {

inline constexpr const char* kIanaBootstrap = "https://data.iana.org/rdap/dns.json";

struct RegistrySettings {
    std::string bootstrap = kIanaBootstrap;          // a URL or a file of RFC 9224's format
    std::map<std::string, std::string> whois_servers;  // suffix -> host[:port]
    bool refresh = false;                            // ask again whatever the cache holds
    std::chrono::milliseconds rdap_interval{1000};
    std::chrono::milliseconds whois_interval{2000};
};

class RegistryLookup {
public:
    RegistryLookup(RegistrySettings settings, LookupCache& cache, const text::Date& today);

    DomainLookup LookUp(const std::string& domain, const StopFlag& stop);

private:
    struct Server {
        std::string host;
        int port = 43;
    };
    DomainLookup AskRdap(const std::string& base, const std::string& domain, const StopFlag& stop);
    DomainLookup AskWhoisFor(const Server& server, const std::string& domain, const StopFlag& stop);
    // A WHOIS server for the domain, or why there is none (empty: no server is known).
    struct ServerChoice {
        std::optional<Server> server;
        std::string fault;
    };
    ServerChoice WhoisServerFor(const std::string& domain, const StopFlag& stop);
    // The bootstrap, read once per run (from the cache when fresh); nothing when none, and then
    // BootstrapFault() says why.
    const Bootstrap* LoadedBootstrap(const StopFlag& stop);
    std::string BootstrapFault();
    struct Fetched {
        std::optional<std::string> text;
        std::string fault;
    };
    Fetched FetchBootstrap(const StopFlag& stop);

    RegistrySettings settings_;
    LookupCache& cache_;
    text::Date today_;
    HostPacer pacer_;
    std::mutex bootstrap_mutex_;
    bool bootstrap_tried_ = false;
    std::optional<Bootstrap> bootstrap_;
    std::string bootstrap_error_;
    std::mutex cache_mutex_;
};

// "whois.example:4343" as a host and port; nothing for text that is neither.
std::optional<std::pair<std::string, int>> HostAndPort(const std::string& text, int default_port);

}  // namespace sitora::check
