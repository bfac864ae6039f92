#include "check/lookup_cache.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <charconv>
#include <chrono>
#include <sstream>
#include <vector>

#include "base/files/file_ops.h"
#include "base/text/byte_strings.h"

namespace sitora::check {
namespace {

constexpr std::int64_t kHour = 3600;
constexpr std::int64_t kDay = 24 * kHour;

// By LookupOutcome; a name added at the end, so that older lines keep their meaning.
constexpr std::array<std::string_view, 6> kOutcomeNames = {"found", "notfound", "noservice", "failed", "stopped", "noexpiry"};

std::string Clean(std::string text) {
    for (char& c : text)
        if (c == '\t' || c == '\n' || c == '\r') c = ' ';
    return text;
}

std::int64_t Number(std::string_view digits) {
    std::int64_t value = 0;
    std::from_chars(digits.data(), digits.data() + digits.size(), value);
    return value;
}

// FNV-1a: a stable short name for a URL's cached file.
std::string NameFor(const std::string& url) {
    std::uint64_t hash = 1469598103934665603ULL;
    for (const unsigned char c : url) hash = (hash ^ c) * 1099511628211ULL;
    char hex[17];
    std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(hash));
    return std::string("rdap-bootstrap-") + hex + ".json";
}

class FileLock {
public:
    explicit FileLock(const std::filesystem::path& path)
        : fd_(open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600)) {
        if (fd_ >= 0) flock(fd_, LOCK_EX);
    }
    ~FileLock() {
        if (fd_ >= 0) close(fd_);
    }
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;
    bool Held() const { return fd_ >= 0; }

private:
    int fd_;
};

}  // namespace

std::int64_t EpochNow() {
    return std::chrono::duration_cast<std::chrono::seconds>(std::chrono::system_clock::now().time_since_epoch()).count();
}

LookupCache::LookupCache(std::filesystem::path folder) : folder_(std::move(folder)), entries_(Read()) {}

std::map<std::string, LookupCache::Entry> LookupCache::Read() const {
    std::map<std::string, Entry> entries;
    const auto text = files::ReadWholeFile(folder_ / "registry.cache", /*no_follow=*/true);
    if (!text) return entries;
    std::istringstream lines(*text);
    std::string line;
    while (std::getline(lines, line)) {
        const std::vector<std::string> cells = text::SplitAt(line, '\t');
        if (cells.size() != 6) continue;  // a line of another version, or damaged: asked again
        Entry entry;
        entry.valid_until = Number(cells[1]);
        const auto named = std::find(kOutcomeNames.begin(), kOutcomeNames.end(), cells[2]);
        if (named == kOutcomeNames.end()) continue;
        entry.lookup.outcome = static_cast<LookupOutcome>(named - kOutcomeNames.begin());
        if (!cells[3].empty()) {
            entry.lookup.expiry = text::ParseDate(cells[3]);
            if (!entry.lookup.expiry) continue;
        }
        entry.lookup.source = cells[4];
        entry.lookup.reason = cells[5];
        entries[cells[0]] = entry;
    }
    return entries;
}

std::optional<DomainLookup> LookupCache::Find(const std::string& key, std::int64_t now) const {
    for (const auto* entries : {&learnt_, &entries_}) {
        const auto found = entries->find(key);
        if (found != entries->end() && found->second.valid_until > now) return found->second.lookup;
    }
    return std::nullopt;
}

void LookupCache::Put(const std::string& key, const DomainLookup& lookup, std::int64_t now, const text::Date& today) {
    std::int64_t keep = kHour;
    switch (lookup.outcome) {
    case LookupOutcome::kFound:
        keep = lookup.expiry && text::DaysBetween(today, *lookup.expiry) <= 30 ? kDay : 7 * kDay;
        break;
    case LookupOutcome::kNotFound: keep = kDay; break;
    case LookupOutcome::kNoExpiry: keep = 7 * kDay; break;
    case LookupOutcome::kNoService:
    case LookupOutcome::kFailed: keep = kHour; break;
    case LookupOutcome::kStopped: return;
    }
    learnt_[key] = {now + keep, lookup};
}

bool LookupCache::Save() const {
    if (learnt_.empty()) return true;
    const FileLock lock(folder_ / "registry.lock");
    if (!lock.Held()) return false;
    std::map<std::string, Entry> merged = Read();
    for (const auto& [key, entry] : learnt_) merged[key] = entry;
    std::ostringstream text;
    const std::int64_t now = EpochNow();
    for (const auto& [key, entry] : merged) {
        if (entry.valid_until <= now) continue;
        const DomainLookup& lookup = entry.lookup;
        text << Clean(key) << '\t' << entry.valid_until << '\t' << kOutcomeNames[static_cast<int>(lookup.outcome)] << '\t'
             << (lookup.expiry ? text::IsoDate(*lookup.expiry) : "") << '\t' << Clean(lookup.source) << '\t'
             << Clean(lookup.reason) << '\n';
    }
    const auto scratch = folder_ / "registry.cache.new";
    return files::CreatePrivateFile(scratch, text.str()) && files::RenameFile(scratch, folder_ / "registry.cache");
}

std::optional<std::string> LookupCache::Bootstrap(const std::string& url, std::int64_t now, std::int64_t* age) const {
    const auto path = folder_ / NameFor(url);
    struct stat st {};
    if (lstat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
    auto text = files::ReadWholeFile(path, /*no_follow=*/true, 4 << 20);
    if (text && age) *age = now - st.st_mtim.tv_sec;
    return text;
}

void LookupCache::PutBootstrap(const std::string& url, const std::string& json) const {
    // A name of this process's own: another run may be refreshing the same file.
    const auto scratch = folder_ / (NameFor(url) + "." + std::to_string(getpid()) + ".new");
    if (files::CreatePrivateFile(scratch, json)) files::RenameFile(scratch, folder_ / NameFor(url));
}

}  // namespace sitora::check
