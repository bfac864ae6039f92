#include "remind/reminder_log.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <stdexcept>

#include "app/data/register_place.h"
#include "app/files/file_ops.h"
#include "app/text/byte_strings.h"
#include "app/files/private_folder.h"

namespace sitora::remind {
namespace {

constexpr int kDaysKept = 62;
constexpr std::size_t kLargestLog = 4 << 20;

std::string KindName(data::DueKind kind) {
    switch (kind) {
    case data::DueKind::kSpace: return "space";
    case data::DueKind::kDomain: return "domain";
    case data::DueKind::kCertificate: return "certificate";
    case data::DueKind::kRegistryEarlier: return "registry";
    }
    return "domain";
}

// One field of a line: tabs and line breaks of an address never split the record.
std::string Field(std::string value) {
    std::replace_if(value.begin(), value.end(), [](char c) { return c == '\t' || c == '\n' || c == '\r'; }, ' ');
    return value;
}

std::filesystem::path RemindersOffFile() { return files::StateFolder() / "reminders.off"; }

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
    if (!done) throw std::runtime_error("cannot remember the reminder setting in " + off.string());
}

std::filesystem::path ReminderLog::DefaultPath() { return files::StateFolder() / "reminders.log"; }

ReminderLog::ReminderLog(std::filesystem::path file) : file_(std::move(file)) {}

ReminderLog::~ReminderLog() {
    if (lock_ >= 0) close(lock_);  // closing lets the lock go
}

bool ReminderLog::Take(bool wait) {
    if (lock_ < 0) {
        lock_ = files::OpenRegularFile(file_.string() + ".lock", O_RDWR | O_CREAT, 0600);
        if (lock_ < 0) throw std::runtime_error("cannot open " + file_.string() + ".lock");
    }
    int rc;
    while ((rc = flock(lock_, wait ? LOCK_EX : LOCK_EX | LOCK_NB)) != 0 && errno == EINTR) {
    }
    if (rc != 0) {
        if (errno == EWOULDBLOCK) return false;
        throw std::runtime_error("cannot lock " + file_.string());
    }
    Read();
    return true;
}

void ReminderLog::Read() {
    entries_.clear();
    notification_ = 0;
    std::error_code ec;
    if (!std::filesystem::exists(std::filesystem::symlink_status(file_, ec))) return;
    const auto content = files::ReadWholeFile(file_, true);
    if (!content || content->size() > kLargestLog) throw std::runtime_error("cannot read " + file_.string());
    std::size_t begin = 0;
    while (begin < content->size()) {
        std::size_t end = content->find('\n', begin);
        if (end == std::string::npos) end = content->size();
        const auto fields = text::SplitAt(std::string_view(*content).substr(begin, end - begin), '\t');
        begin = end + 1;
        if (fields.size() == 2 && fields[0] == "notification")
            std::from_chars(fields[1].data(), fields[1].data() + fields[1].size(), notification_);
        else if (fields.size() == 6 && fields[0] == "told")
            entries_.push_back({fields[1], fields[2], fields[3], fields[4], fields[5]});
        // Anything else (a line cut short by a crash of an older writer) is dropped.
    }
}

std::vector<data::DueItem> ReminderLog::Untold(const std::string& register_id, const std::vector<data::DueItem>& items,
                                               const text::Date& today) const {
    const std::string day = text::IsoDate(today);
    std::vector<data::DueItem> untold;
    for (const data::DueItem& item : items) {
        const bool told = std::any_of(entries_.begin(), entries_.end(), [&](const Entry& entry) {
            return entry.told_on == day && entry.register_id == Field(register_id) &&
                   entry.kind == KindName(item.kind) && entry.runs_out == text::IsoDate(item.date) &&
                   entry.address == Field(item.address);
        });
        if (!told) untold.push_back(item);
    }
    return untold;
}

void ReminderLog::RecordTold(const std::string& register_id, const std::vector<data::DueItem>& items,
                             const text::Date& today, std::uint32_t notification) {
    const std::string oldest_kept = text::IsoDate(text::AddDays(today, -kDaysKept));
    std::erase_if(entries_, [&](const Entry& entry) { return entry.told_on < oldest_kept; });
    for (const data::DueItem& item : items)
        entries_.push_back({text::IsoDate(today), Field(register_id), KindName(item.kind),
                            text::IsoDate(item.date), Field(item.address)});
    if (notification) notification_ = notification;
    std::string content = "notification\t" + std::to_string(notification_) + "\n";
    for (const Entry& entry : entries_)
        content += "told\t" + entry.told_on + "\t" + entry.register_id + "\t" + entry.kind + "\t" + entry.runs_out +
                   "\t" + entry.address + "\n";
    // A whole new log takes the old one's name: a crash leaves one or the other.
    const std::filesystem::path scratch = files::ScratchPathFor(file_);
    if (!files::CreatePrivateFile(scratch, content) || !files::RenameFile(scratch, file_)) {
        files::RemoveFile(scratch);
        throw std::runtime_error("cannot write " + file_.string());
    }
}

bool TellUntold(ReminderLog& log, const std::string& register_id, const std::vector<data::DueItem>& items,
                const text::Date& today,
                const std::function<Delivery(const ReminderText& text, std::uint32_t replaces)>& deliver,
                Delivery& delivery) {
    const std::vector<data::DueItem> untold = log.Untold(register_id, items, today);
    if (untold.empty()) return false;
    delivery = deliver(ComposeReminder(untold, today), log.LastNotification());
    // What reached nobody is told again at the next try.
    if (delivery.reached) log.RecordTold(register_id, untold, today, delivery.notification);
    return true;
}

}  // namespace sitora::remind
