#pragma once
// What this user has been told, shared by the window and sitora-cli. Each channel (the desktop,
// each line of notify.conf) keeps its own record: per register and day the set of due items it
// was told (the items themselves while they are few, else a digest of the set), and the last
// day it was given the heads-ups. A channel not yet told today is told the day's whole list,
// whatever another channel was told; a renewed date is a new item. The log stays small
// whatever the register's size, and a log that cannot be read is set aside, never a reason to
// stay silent.
#include <cstdint>
#include <filesystem>
#include <stdexcept>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "data/expiry_rules.h"
#include "remind/due_items.h"
#include "base/text/dates.h"
#include "remind/due_now.h"
#include "remind/reminder_text.h"

namespace sitora::remind {

// What the log calls a program folder's register: the server its register.conf names, or its
// db.mdb file.
std::string RegisterIdOf(const std::string& program_folder);

// The window's reminder is on unless this user turned it off ("到期提醒" in the icon's menu).
bool WindowRemindersOn();
void SetWindowRemindersOn(bool on);  // throws std::runtime_error when it cannot be remembered

// The desktop's channel, shared by the window's reminder and sitora-cli's notification.
inline constexpr const char* kDesktopChannel = "desktop";

// Why what stood at the log's place was set aside and a fresh log begun.
enum class LogProblem { kNone, kDamaged, kTooBig, kNewerForm, kNotAFile };

// A file of the reminders' state that could not be opened, locked or written: the file, as a
// value each face words in its user's language.
struct ReminderFileError : std::runtime_error {
    explicit ReminderFileError(std::filesystem::path file)
        : std::runtime_error("cannot write " + file.string()), file(std::move(file)) {}
    std::filesystem::path file;
};

class ReminderLog {
public:
    // <state folder>/reminders.log, beside its lock file.
    static std::filesystem::path DefaultPath();

    explicit ReminderLog(std::filesystem::path file);
    ~ReminderLog();
    ReminderLog(const ReminderLog&) = delete;
    ReminderLog& operator=(const ReminderLog&) = delete;

    // Takes the log for one reminder, waiting for another process's when `wait`; false when it
    // is held elsewhere (and not waited for). Throws std::runtime_error when its lock file cannot
    // be opened or locked; a log that cannot be read is read as empty and named by Problem().
    bool Take(bool wait);
    LogProblem Problem() const { return problem_; }
    // Puts a fresh log where one could not be read, when nothing was told that wrote one.
    // Throws std::runtime_error when it cannot be written.
    void StartAfreshIfUnread();

    // Whether `channel` was told anything of `register_id` on `today`.
    bool ToldToday(const std::string& register_id, const std::string& channel, const text::Date& today) const;
    // Of the due `items` of `register_id`, those `channel` has not been told on `today`.
    std::vector<DueItem> Untold(const std::string& register_id, const std::string& channel,
                                      const std::vector<DueItem>& items, const text::Date& today) const;
    // Of the heads-ups of `now`, those whose stage `channel` has not been told since they entered
    // it (all of them after a change of the heads-up days).
    std::vector<DueItem> HeadsUpsUntold(const std::string& register_id, const std::string& channel,
                                              const DueNow& now) const;
    // Records that `channel` now knows the whole due set of `now` and its heads-ups, with the
    // desktop notification that told it (0: none), forgetting what is long past. Throws
    // std::runtime_error when the log cannot be written.
    void RecordTold(const std::string& register_id, const std::string& channel, const DueNow& now,
                    const text::Date& today, std::uint32_t notification);

    // The desktop notification that the next one replaces (0: none yet).
    std::uint32_t LastNotification() const { return notification_; }

private:
    struct Told {
        std::size_t count = 0;
        std::string digest;
        std::vector<std::string> keys;  // sorted; only while few
    };
    using Key = std::pair<std::string, std::string>;  // register, channel
    void Read();
    void Parse(const std::string& content);
    void ParseLegacy(const std::string& content);
    void Write();
    const Told* ToldOn(const std::string& day, const std::string& register_id, const std::string& channel) const;

    std::filesystem::path file_;
    int lock_ = -1;
    LogProblem problem_ = LogProblem::kNone;
    std::map<std::string, std::map<Key, Told>> told_;  // by day
    struct HeadsUpsTold {
        std::string day;   // the last day the channel had its heads-ups
        std::string days;  // under which heads-up days
    };
    std::map<Key, HeadsUpsTold> heads_ups_;
    std::uint32_t notification_ = 0;
};

struct Delivery {
    bool reached = false;           // someone was told
    std::uint32_t notification = 0;  // the desktop notification that told it (0: none)
};

using Deliver = std::function<Delivery(const ReminderText& text, std::uint32_t replaces)>;

enum class Telling { kNothingNew, kReached, kNotReached };

// One channel's reminder, the same for the window and sitora-cli: with `log` taken, what
// `channel` has not been told of `now` goes to `deliver` as one summary (with the notification
// it may replace) and is recorded when it reached someone; what reached nobody is told at the
// next try. Throws std::runtime_error when the log cannot be written.
Telling TellChannel(ReminderLog& log, const std::string& register_id, const std::string& channel, const DueNow& now,
                    const text::Date& today, const Deliver& deliver);

}  // namespace sitora::remind
