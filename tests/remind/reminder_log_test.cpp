// The reminders' log and what each channel is told: per channel, small at any size, never
// silent when the log cannot be read, heads-ups told once per stage, and a summary that says
// what has run out.
#include "remind/reminder_log.h"

#include <sys/stat.h>

#include <fstream>

#include "support/register_fixture.h"

namespace sitora::remind {
namespace {

using namespace std::chrono;
constexpr text::Date kToday{year(2027), February, day(26)};

struct Teller {
    std::vector<ReminderText> told;
    Deliver deliver() {
        return [this](const ReminderText& text, std::uint32_t) {
            told.push_back(text);
            return Delivery{true, 0};
        };
    }
};

Telling Tell(const std::filesystem::path& file, const std::string& channel, const DueNow& now, const text::Date& today,
             Teller& teller, LogProblem* problem = nullptr) {
    ReminderLog log(file);
    EXPECT_TRUE(log.Take(true));
    if (problem) *problem = log.Problem();
    const Telling telling = TellChannel(log, "db", channel, now, today, teller.deliver());
    log.StartAfreshIfUnread();
    return telling;
}

DueNow ManyDue(std::size_t count, const text::Date& today) {
    DueNow now;
    for (std::size_t i = 0; i < count; ++i)
        now.due.push_back({text::AddDays(today, static_cast<int>(i % 40) - 30), i % 2 ? DueKind::kSpace : DueKind::kDomain,
                           std::to_string(100000 + i), "", "site" + std::to_string(i) + ".example"});
    return now;
}

TEST(ReminderLog, EachChannelHearsTheWholeDayOnceAndTheLogStaysSmallOverSixtyTwoDays) {
    test::TempFolder folder;
    const auto file = folder / "reminders.log";
    Teller desktop, chat;
    const DueNow now = ManyDue(100000, kToday);
    for (int day_number = 0; day_number < 62; ++day_number) {
        const text::Date today = text::AddDays(kToday, day_number);
        ASSERT_EQ(Tell(file, kDesktopChannel, now, today, desktop), Telling::kReached) << day_number;
        // Told on the desktop first, the chat still hears the whole list that day; then nobody twice.
        if (day_number == 0 || day_number == 61) {
            ASSERT_EQ(Tell(file, "wecom:1", now, today, chat), Telling::kReached);
            EXPECT_EQ(Tell(file, "wecom:1", now, today, chat), Telling::kNothingNew);
            EXPECT_EQ(Tell(file, kDesktopChannel, now, today, desktop), Telling::kNothingNew);
        }
    }
    EXPECT_EQ(desktop.told.size(), 62u);
    ASSERT_EQ(chat.told.size(), 2u);
    EXPECT_TRUE(chat.told[0].overdue);
    EXPECT_NE(chat.told[0].body.find("已过期 30 天"), std::string::npos) << chat.told[0].body;  // the oldest first
    EXPECT_NE(chat.told[0].body.find("共 100000 项"), std::string::npos);
    EXPECT_LT(std::filesystem::file_size(file), 1u << 20);

    // A few items are kept one by one: a new one is told alone, a renewal makes no noise.
    const auto few_file = folder / "few.log";
    DueNow few = ManyDue(3, kToday);
    ASSERT_EQ(Tell(few_file, kDesktopChannel, few, kToday, desktop), Telling::kReached);
    few.due.push_back({kToday, DueKind::kSpace, "9", "", "new.example"});
    ASSERT_EQ(Tell(few_file, kDesktopChannel, few, kToday, desktop), Telling::kReached);
    EXPECT_EQ(desktop.told.back().summary, "1 个空间今天到期");
    few.due.erase(few.due.begin());
    EXPECT_EQ(Tell(few_file, kDesktopChannel, few, kToday, desktop), Telling::kNothingNew);
}

TEST(ReminderLog, ALogThatCannotBeReadStillTellsAndIsBegunAfresh) {
    test::TempFolder folder;
    const DueNow now = ManyDue(5, kToday);
    const auto file = folder / "reminders.log";
    const auto told_then_afresh = [&](LogProblem expected) {
        Teller teller;
        LogProblem problem = LogProblem::kNone;
        EXPECT_EQ(Tell(file, kDesktopChannel, now, kToday, teller, &problem), Telling::kReached);
        EXPECT_EQ(problem, expected);
        EXPECT_EQ(Tell(file, kDesktopChannel, now, kToday, teller, &problem), Telling::kNothingNew);
        EXPECT_EQ(problem, LogProblem::kNone);
        std::filesystem::remove(file);
    };
    test::WriteFile(file, std::string("\x01\x02garbage\nnot a log line\n"));
    told_then_afresh(LogProblem::kDamaged);
    test::WriteFile(file, "sitora-reminders\t2\n" + std::string(5 << 20, 'x'));
    told_then_afresh(LogProblem::kTooBig);
    test::WriteFile(file, "sitora-reminders\t3\nsomething new\n");
    told_then_afresh(LogProblem::kNewerForm);
    ASSERT_EQ(mkfifo(file.c_str(), 0600), 0);  // never waited on
    told_then_afresh(LogProblem::kNotAFile);
    test::WriteFile(folder / "elsewhere", "kept");
    std::filesystem::create_symlink(folder / "elsewhere", file);
    told_then_afresh(LogProblem::kNotAFile);
    EXPECT_EQ(test::ReadFile(folder / "elsewhere"), "kept");
}

// What the program's earlier form of the log told today counts for every channel that day only.
TEST(ReminderLog, AnEarlierFormIsTakenOverWithoutTellingTwiceThatDay) {
    test::TempFolder folder;
    const auto file = folder / "reminders.log";
    const DueNow now = ManyDue(2, kToday);
    std::string earlier = "notification\t17\n";
    for (const DueItem& item : now.due)
        earlier += "told\t2027-02-26\tdb\t" + std::string(item.kind == DueKind::kSpace ? "space" : "domain") +
                   "\t" + text::IsoDate(item.date) + "\t" + item.address + "\n";
    test::WriteFile(file, earlier + "told\t2027-02-2");  // cut short by a crash
    Teller teller;
    EXPECT_EQ(Tell(file, kDesktopChannel, now, kToday, teller), Telling::kNothingNew);
    EXPECT_EQ(Tell(file, "dingtalk:1", now, kToday, teller), Telling::kNothingNew);
    // Once the log is written in its new form, each channel still hears only what is new.
    DueNow more = now;
    more.due.push_back({kToday, DueKind::kSpace, "9", "", "new.example"});
    for (const char* channel : {kDesktopChannel, "dingtalk:1"}) {
        ASSERT_EQ(Tell(file, channel, more, kToday, teller), Telling::kReached);
        EXPECT_EQ(teller.told.back().summary, "1 个空间今天到期") << channel;
    }
    {
        ReminderLog log(file);
        ASSERT_TRUE(log.Take(true));
        EXPECT_EQ(log.LastNotification(), 17u);
    }
    EXPECT_EQ(Tell(file, kDesktopChannel, now, text::AddDays(kToday, 1), teller), Telling::kReached);
}

TEST(ReminderText, CountsWhatHasRunOutApartFromWhatComesAndListsItFirst) {
    const std::vector<DueItem> items{{text::AddDays(kToday, 7), DueKind::kDomain, "1", "", "soon.example"},
                                           {text::AddDays(kToday, -4727), DueKind::kSpace, "2", "", "old.example"},
                                           {text::AddDays(kToday, -1), DueKind::kSpace, "3", "", "late.example"},
                                           {text::AddDays(kToday, 2), DueKind::kDomain, "4", "", "next.example"}};
    const ReminderText text = ComposeReminder(items, kToday);
    EXPECT_EQ(text.summary, "2 个空间已过期，2 个域名将在 7 天内到期");
    EXPECT_TRUE(text.body.starts_with("old.example 空间 ")) << text.body;
    EXPECT_NE(text.body.find("已过期 4727 天\nlate.example 空间"), std::string::npos) << text.body;
    EXPECT_EQ(ComposeReminder({items[1]}, kToday).summary, "1 个空间已过期");
    // A check's finding says how old the check is; the register's own dates do not.
    const DueItem certificate{text::AddDays(kToday, 5), DueKind::kCertificate, "5", "", "tls.example"};
    EXPECT_TRUE(ComposeReminder({certificate}, kToday, text::AddDays(kToday, -3)).body.ends_with("来自 3 天前的核对）"));
    EXPECT_EQ(ComposeReminder(items, kToday, text::AddDays(kToday, -3)).body, text.body);
}

class HeadsUps : public test::RegisterTest {};

// days 60 30 with the register's lead time of 3: told once on entering 60, once on entering 30,
// then every day from 3 days before; a channel is asked on each of 75 simulated days.
TEST_F(HeadsUps, AreToldOncePerStageThenDailyWithinTheLeadTime) {
    setenv("XDG_STATE_HOME", (folder_ / "state").c_str(), 1);
    InsertDates("100001", "2099-1-1", "2027-5-1");
    const auto file = folder_ / "reminders.log";
    std::vector<std::string> told_on;
    for (text::Date today{year(2027), February, day(15)}; today < text::Date{year(2027), May, day(1)};
         today = text::AddDays(today, 1)) {
        const DueNow now = ListDueNow(module_.ADOQuery5, "db", today, {60, 30});
        Teller teller;
        if (Tell(file, "email:1", now, today, teller) == Telling::kReached) told_on.push_back(text::IsoDate(today));
    }
    EXPECT_EQ(told_on, (std::vector<std::string>{"2027-03-02", "2027-04-01", "2027-04-28", "2027-04-29", "2027-04-30"}));
    unsetenv("XDG_STATE_HOME");
}

}  // namespace
}  // namespace sitora::remind
