#include "remind/reminder_log.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <initializer_list>
#include <set>
#include <stdexcept>

#include "data/register_place.h"
#include "base/files/file_ops.h"
#include "base/files/private_folder.h"
#include "base/text/byte_strings.h"
#include "remind/notify_config.h"

namespace sitora::remind {
namespace {

constexpr int kDaysKept = 62;
constexpr int kHeadsUpsKept = 2 * kLongestHeadsUp;  // days a channel's last heads-up day is kept
constexpr std::size_t kLargestLog = 4 << 20;
// A day's set is kept item by item while it is this small; a larger one by its digest alone.
constexpr std::size_t kFewItems = 64;
constexpr std::string_view kHeader = "sitora-reminders\t2";
constexpr std::string_view kHeaderStart = "sitora-reminders\t";
constexpr char kKeyParts = '\x1f';
constexpr const char* kEveryChannel = "*";  // what the earlier form told, on any channel

std::string KindName(DueKind kind) {
    switch (kind) {
    case DueKind::kSpace: return "space";
    case DueKind::kDomain: return "domain";
    case DueKind::kCertificate: return "certificate";
    case DueKind::kRegistryEarlier: return "registry";
    }
    return "domain";
}

// One field of a line: tabs, line breaks and the key's separator never split the record.
std::string Field(std::string value) {
    std::replace_if(value.begin(), value.end(),
                    [](char c) { return c == '\t' || c == '\n' || c == '\r' || c == kKeyParts; }, ' ');
    return value;
}

std::string KeyOf(const DueItem& item) {
    return KindName(item.kind) + kKeyParts + text::IsoDate(item.date) + kKeyParts + Field(item.address);
}

std::vector<std::string> SortedKeys(const std::vector<DueItem>& items) {
    std::vector<std::string> keys;
    keys.reserve(items.size());
    for (const DueItem& item : items) keys.push_back(KeyOf(item));
    std::sort(keys.begin(), keys.end());
    keys.erase(std::unique(keys.begin(), keys.end()), keys.end());
    return keys;
}

// The digest of a set: the sum of its items' 128-bit hashes, so that it needs no sorting and no
// copy of a large set (a register of 150,000 records may have 300,000 items due), and the same
// set gives the same digest in any order.
class SetDigest {
public:
    void Add(std::string_view key) { Add({key}); }
    // The item's key (KeyOf) in pieces, hashed as one text without being built.
    void Add(const DueItem& item) {
        const std::string kind = KindName(item.kind);  // short: kept in the string itself
        char date[16];
        std::snprintf(date, sizeof date, "%04d-%02u-%02u", static_cast<int>(item.date.year()),
                      static_cast<unsigned>(item.date.month()), static_cast<unsigned>(item.date.day()));
        const char parts[] = {kKeyParts, '\0'};
        Add({kind, parts, date, parts, item.address}, /*address_at=*/4);
    }
    std::string Hex() const {
        char text[33];
        std::snprintf(text, sizeof text, "%016llx%016llx", static_cast<unsigned long long>(a_),
                      static_cast<unsigned long long>(b_));
        return text;
    }

private:
    void Add(std::initializer_list<std::string_view> pieces, std::size_t address_at = SIZE_MAX) {
        std::uint64_t a = 0xcbf29ce484222325ULL, b = 0x84222325cbf29ce4ULL;
        std::size_t at = 0;
        for (std::string_view piece : pieces) {
            for (char c : piece) {
                // The address as Field() writes it into the log.
                if (at == address_at && (c == '\t' || c == '\n' || c == '\r' || c == kKeyParts)) c = ' ';
                const auto byte = static_cast<unsigned char>(c);
                a = (a ^ byte) * 0x100000001b3ULL;
                b = (b ^ byte) * 0x100000001b3ULL;
            }
            ++at;
        }
        a_ += Mixed(a);
        b_ += Mixed(b);
    }
    static std::uint64_t Mixed(std::uint64_t value) {  // splitmix64's finaliser
        value = (value ^ (value >> 30)) * 0xbf58476d1ce4e5b9ULL;
        value = (value ^ (value >> 27)) * 0x94d049bb133111ebULL;
        return value ^ (value >> 31);
    }
    std::uint64_t a_ = 0, b_ = 0;
};

std::string DigestOf(const std::vector<std::string>& keys) {
    SetDigest digest;
    for (const std::string& key : keys) digest.Add(key);
    return digest.Hex();
}

std::string DigestOf(const std::vector<DueItem>& items) {
    SetDigest digest;
    for (const DueItem& item : items) digest.Add(item);
    return digest.Hex();
}

std::string DaysText(const std::vector<int>& days) {
    std::string text;
    for (int value : days) text += (text.empty() ? "" : ",") + std::to_string(value);
    return text;
}

bool IsDay(std::string_view text) { return text.size() == 10 && text::ParseDate(text).has_value(); }

std::filesystem::path RemindersOffFile() { return files::StateFolder() / "reminders.off"; }

template <typename Each>
void EachLine(std::string_view content, Each each) {
    std::size_t begin = 0;
    while (begin < content.size()) {
        std::size_t end = content.find('\n', begin);
        if (end == std::string_view::npos) end = content.size();
        each(content.substr(begin, end - begin));
        begin = end + 1;
    }
}

}  // namespace

std::string RegisterIdOf(const std::string& program_folder) {
    if (auto uri = data::ServerUriOf(program_folder)) return *uri;
    std::error_code ec;
    const auto file = std::filesystem::weakly_canonical(program_folder + data::kRegisterFile, ec);
    return ec ? program_folder + data::kRegisterFile : file.string();
}

bool WindowRemindersOn() {
    std::error_code ec;
    return !std::filesystem::exists(std::filesystem::symlink_status(RemindersOffFile(), ec));
}

void SetWindowRemindersOn(bool on) {
    const std::filesystem::path off = RemindersOffFile();
    const bool done = on ? files::RemoveFile(off) : files::CreatePrivateFile(off, "");
    if (!done) throw ReminderFileError(off);
}

std::filesystem::path ReminderLog::DefaultPath() { return files::StateFolder() / "reminders.log"; }

ReminderLog::ReminderLog(std::filesystem::path file) : file_(std::move(file)) {}

ReminderLog::~ReminderLog() {
    if (lock_ >= 0) close(lock_);  // closing lets the lock go
}

bool ReminderLog::Take(bool wait) {
    if (lock_ < 0) {
        lock_ = files::OpenRegularFile(file_.string() + ".lock", O_RDWR | O_CREAT, 0600);
        if (lock_ < 0) throw ReminderFileError(file_.string() + ".lock");
    }
    int rc;
    while ((rc = flock(lock_, wait ? LOCK_EX : LOCK_EX | LOCK_NB)) != 0 && errno == EINTR) {
    }
    if (rc != 0) {
        if (errno == EWOULDBLOCK) return false;
        throw ReminderFileError(file_.string() + ".lock");
    }
    Read();
    return true;
}

void ReminderLog::Read() {
    told_.clear();
    heads_ups_.clear();
    notification_ = 0;
    problem_ = LogProblem::kNone;
    struct stat status {};
    if (lstat(file_.c_str(), &status) != 0) {
        if (errno != ENOENT) problem_ = LogProblem::kDamaged;
        return;
    }
    if (!S_ISREG(status.st_mode)) {
        problem_ = LogProblem::kNotAFile;
        return;
    }
    if (static_cast<std::size_t>(status.st_size) > kLargestLog) {
        problem_ = LogProblem::kTooBig;
        return;
    }
    const auto content = files::ReadWholeFile(file_, true);
    if (!content) {
        problem_ = LogProblem::kDamaged;
    } else if (content->size() > kLargestLog) {
        problem_ = LogProblem::kTooBig;
    } else if (content->starts_with(kHeaderStart)) {
        Parse(*content);
    } else {
        ParseLegacy(*content);
    }
    if (problem_ != LogProblem::kNone) {
        told_.clear();
        heads_ups_.clear();
        notification_ = 0;
    }
}

void ReminderLog::Parse(const std::string& content) {
    bool header = true;
    EachLine(content, [&](std::string_view line) {
        if (problem_ != LogProblem::kNone) return;
        if (header) {
            header = false;
            if (line != kHeader) problem_ = LogProblem::kNewerForm;
            return;
        }
        const auto fields = text::SplitAt(line, '\t');
        if (fields.size() == 2 && fields[0] == "notification") {
            const auto [end, error] =
                std::from_chars(fields[1].data(), fields[1].data() + fields[1].size(), notification_);
            if (error == std::errc() && end == fields[1].data() + fields[1].size()) return;
        } else if (fields.size() >= 6 && fields[0] == "told" && IsDay(fields[1])) {
            Told told;
            const auto [end, error] = std::from_chars(fields[4].data(), fields[4].data() + fields[4].size(), told.count);
            told.digest = fields[5];
            told.keys.assign(fields.begin() + 6, fields.end());
            std::sort(told.keys.begin(), told.keys.end());
            if (error == std::errc() && end == fields[4].data() + fields[4].size() && told.digest.size() == 32) {
                told_[fields[1]][{fields[2], fields[3]}] = std::move(told);
                return;
            }
        } else if (fields.size() == 5 && fields[0] == "ahead" && IsDay(fields[3])) {
            heads_ups_[{fields[1], fields[2]}] = {fields[3], fields[4]};
            return;
        } else if (line.empty()) {
            return;
        }
        problem_ = LogProblem::kDamaged;
    });
}

// The log of the program's earlier form: one line per item told, on any channel. What it says
// was told counts as told on every channel (the channel "*") that day, so nothing is told twice on
// the day of the change.
void ReminderLog::ParseLegacy(const std::string& content) {
    std::map<std::string, std::map<std::string, std::vector<std::string>>> keys;  // day, register
    EachLine(content, [&](std::string_view line) {
        if (problem_ != LogProblem::kNone || line.empty()) return;
        const auto fields = text::SplitAt(line, '\t');
        if (fields.size() == 2 && fields[0] == "notification") {
            std::from_chars(fields[1].data(), fields[1].data() + fields[1].size(), notification_);
        } else if (fields.size() == 6 && fields[0] == "told" && IsDay(fields[1])) {
            keys[fields[1]][fields[2]].push_back(fields[3] + kKeyParts + fields[4] + kKeyParts + Field(fields[5]));
        } else if (!(fields.size() < 6 && fields[0] == "told")) {
            // A line cut short by a crash of the older writer is dropped; anything else is not a log.
            problem_ = LogProblem::kDamaged;
        }
    });
    for (auto& [day, registers] : keys)
        for (auto& [register_field, told] : registers) {
            std::sort(told.begin(), told.end());
            told.erase(std::unique(told.begin(), told.end()), told.end());
            told_[day][{register_field, kEveryChannel}] = {told.size(), DigestOf(told), std::move(told)};
        }
}

const ReminderLog::Told* ReminderLog::ToldOn(const std::string& day, const std::string& register_id,
                                             const std::string& channel) const {
    const auto on_day = told_.find(day);
    if (on_day == told_.end()) return nullptr;
    const auto found = on_day->second.find({Field(register_id), channel});
    return found == on_day->second.end() ? nullptr : &found->second;
}

bool ReminderLog::ToldToday(const std::string& register_id, const std::string& channel, const text::Date& today) const {
    const std::string day = text::IsoDate(today);
    return ToldOn(day, register_id, channel) || ToldOn(day, register_id, kEveryChannel);
}

std::vector<DueItem> ReminderLog::Untold(const std::string& register_id, const std::string& channel,
                                               const std::vector<DueItem>& items, const text::Date& today) const {
    const std::string day = text::IsoDate(today);
    std::vector<const Told*> records;
    for (const std::string& who : {channel, std::string(kEveryChannel)})
        if (const Told* told = ToldOn(day, register_id, who)) records.push_back(told);
    if (records.empty()) return items;
    for (const Told* told : records) {
        if (!told->keys.empty() || told->count == 0) continue;
        // Only the digest of a large set is kept: the same set, or one that only lost items
        // (renewals), was told; one that differs otherwise is told again whole.
        if (DigestOf(items) == told->digest || items.size() < told->count) return {};
    }
    std::vector<DueItem> untold;
    for (const DueItem& item : items) {
        const std::string key = KeyOf(item);
        const bool told = std::any_of(records.begin(), records.end(), [&key](const Told* record) {
            return std::binary_search(record->keys.begin(), record->keys.end(), key);
        });
        if (!told) untold.push_back(item);
    }
    return untold;
}

std::vector<DueItem> ReminderLog::HeadsUpsUntold(const std::string& register_id, const std::string& channel,
                                                       const DueNow& now) const {
    const auto found = heads_ups_.find({Field(register_id), channel});
    const bool known = found != heads_ups_.end() && found->second.days == DaysText(now.heads_up_days);
    std::vector<DueItem> untold;
    for (const HeadsUp& heads_up : now.ahead)
        if (!known || text::IsoDate(heads_up.entered) > found->second.day) untold.push_back(heads_up.item);
    return untold;
}

void ReminderLog::RecordTold(const std::string& register_id, const std::string& channel, const DueNow& now,
                             const text::Date& today, std::uint32_t notification) {
    const std::string day = text::IsoDate(today);
    const std::string oldest_kept = text::IsoDate(text::AddDays(today, -kDaysKept));
    std::erase_if(told_, [&](const auto& entry) { return entry.first < oldest_kept; });
    // Only today's items are ever asked about, and never many of them are kept.
    for (auto& [told_on, records] : told_)
        for (auto& [key, told] : records)
            if (told_on != day || told.keys.size() > kFewItems) told.keys.clear();
    const std::string oldest_heads_up = text::IsoDate(text::AddDays(today, -kHeadsUpsKept));
    std::erase_if(heads_ups_, [&](const auto& entry) { return entry.second.day < oldest_heads_up; });

    Told& told = told_[day][{Field(register_id), channel}];
    told.count = now.due.size();
    told.digest = DigestOf(now.due);
    told.keys = now.due.size() <= kFewItems ? SortedKeys(now.due) : std::vector<std::string>{};
    heads_ups_[{Field(register_id), channel}] = {day, DaysText(now.heads_up_days)};
    if (notification) notification_ = notification;
    Write();
}

void ReminderLog::StartAfreshIfUnread() {
    if (problem_ != LogProblem::kNone) Write();
}

void ReminderLog::Write() {
    std::string content = std::string(kHeader) + "\nnotification\t" + std::to_string(notification_) + "\n";
    for (const auto& [day, records] : told_)
        for (const auto& [key, told] : records) {
            content += "told\t" + day + "\t" + key.first + "\t" + key.second + "\t" + std::to_string(told.count) +
                       "\t" + told.digest;
            for (const std::string& item : told.keys) content += "\t" + item;
            content += "\n";
        }
    for (const auto& [key, heads_ups] : heads_ups_)
        content += "ahead\t" + key.first + "\t" + key.second + "\t" + heads_ups.day + "\t" + heads_ups.days + "\n";
    // A whole new log takes the old one's name, whatever stood there: a crash leaves one or the other.
    const std::filesystem::path scratch = files::ScratchPathFor(file_);
    if (!files::CreatePrivateFile(scratch, content) || !files::RenameFile(scratch, file_)) {
        files::RemoveFile(scratch);
        throw ReminderFileError(file_);
    }
    problem_ = LogProblem::kNone;
}

Telling TellChannel(ReminderLog& log, const std::string& register_id, const std::string& channel, const DueNow& now,
                    const text::Date& today, const Deliver& deliver) {
    // A channel not told today hears the day's whole list, not only what others were not told.
    const bool first_today = !log.ToldToday(register_id, channel, today);
    std::vector<DueItem> untold = first_today ? std::vector<DueItem>() : log.Untold(register_id, channel, now.due, today);
    const std::vector<DueItem> heads_ups = log.HeadsUpsUntold(register_id, channel, now);
    const std::vector<DueItem>& due = first_today ? now.due : untold;
    if (due.empty() && heads_ups.empty()) return Telling::kNothingNew;
    ReminderText text;
    if (heads_ups.empty()) {
        text = ComposeReminder(due, today, now.last_check);  // no copy of a long list
    } else {
        std::vector<DueItem> told = due;
        told.insert(told.end(), heads_ups.begin(), heads_ups.end());
        text = ComposeReminder(told, today, now.last_check);
    }
    const Delivery delivery = deliver(text, log.LastNotification());
    if (!delivery.reached) return Telling::kNotReached;
    log.RecordTold(register_id, channel, now, today, delivery.notification);
    return Telling::kReached;
}

}  // namespace sitora::remind
