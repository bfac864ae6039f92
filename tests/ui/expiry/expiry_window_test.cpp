#include "ui/expiry/expiry_window.h"

#include <QCoreApplication>
#include <thread>

#include "base/text/clock.h"
#include "protect/block_store.h"
#include "support/register_fixture.h"
#include "support/temp_folder.h"
#include "support/window_fixture.h"
#include "ui/login/login_window.h"
#include "ui/main/due_reminder.h"
#include "ui/main/main_window.h"
#include "ui/records/detail_window.h"
#include "ui/toolkit/data_grid.h"

namespace sitora::ui {
namespace {

using namespace std::chrono;

class ExpiryWindow : public test::WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        text::SetClockForTesting([] { return text::LocalTime{text::Date{year(2011), month(3), day(10)}, 9, 0, 0}; });
        data::TDataModule1 module;
        module.SetUpConnection(program_.ProgramFolder());
        module.ADOQuery6.SetSQL("update t_set set web_alarm=3,domain_alarm=5");
        module.ADOQuery6.ExecSQL();
        Add("100001", "2011-3-13", "2099-1-1");  // space due within 3 days
        Add("100002", "2099-1-1", "2011-3-15");  // domain due within 5 days
        Add("100003", "2011-3-14", "2011-3-16");  // neither
    }
    void Add(const std::string& number, const std::string& space_end, const std::string& domain_end) {
        auto record = test::SampleRecord(number, number + ".com");
        record["web_endtime"] = space_end;
        record["web_enddomaintime"] = domain_end;
        InsertRecord(record);
    }
    TForm1* main() { return windows_->Form1(); }
    TForm4* expiry() { return windows_->Form4(); }
    void OpenExpiry() {
        LogIn();
        Click(main(), "BitBtn8");
        ASSERT_TRUE(Enabled(main(), "BitBtn12"));
        Click(main(), "BitBtn12");
    }
    std::vector<QString> Listed() {
        std::vector<QString> numbers;
        auto* model = expiry()->grid().model();
        for (int row = 0; row < model->rowCount(); ++row) numbers.push_back(model->index(row, 0).data().toString());
        return numbers;
    }
    bool ListCommandsEnabled(bool expected) {
        bool all = true;
        for (const char* button : {"BitBtn1", "BitBtn2", "BitBtn3"}) all &= Enabled(expiry(), button) == expected;
        for (const char* item : {"N3", "N5", "N6"}) all &= Find<QAction>(expiry(), item)->isEnabled() == expected;
        return all;
    }
};

TEST_F(ExpiryWindow, ListsWhatIsDueWithinTheLeadTimes) {
    OpenExpiry();
    EXPECT_FALSE(main()->isVisible());
    EXPECT_TRUE(expiry()->isVisible());
    EXPECT_TRUE(Listed().empty());  // opening runs no query
    EXPECT_TRUE(ListCommandsEnabled(false));
    EXPECT_TRUE(Find<QAction>(expiry(), "N1")->isEnabled());
    Click(expiry(), "BitBtn4");
    EXPECT_EQ(Listed(), (std::vector<QString>{"100001", "100002"}));
    EXPECT_TRUE(ListCommandsEnabled(true));
    EXPECT_TRUE(Find<QAction>(expiry(), "N1")->isEnabled());
    EXPECT_EQ(expiry()->grid().model()->headerData(4, Qt::Horizontal).toString(), "网站联系人");
}

TEST_F(ExpiryWindow, AnEmptyResultHidesTheSearchBarAndDisablesTheMenuRefreshButNotTheButton) {
    OpenExpiry();
    Click(expiry(), "BitBtn4");
    Click(expiry(), "BitBtn3");
    EXPECT_TRUE(Find<QWidget>(expiry(), "Panel2")->isVisible());
    data::TDataModule1 module;
    module.SetUpConnection(program_.ProgramFolder());
    module.ADOQuery4.SetSQL("delete from t_webinfo");
    module.ADOQuery4.ExecSQL();
    Click(expiry(), "BitBtn4");
    EXPECT_TRUE(Listed().empty());
    EXPECT_FALSE(Find<QWidget>(expiry(), "Panel2")->isVisible());
    EXPECT_TRUE(ListCommandsEnabled(false));
    EXPECT_FALSE(Find<QAction>(expiry(), "N1")->isEnabled());
    EXPECT_TRUE(Enabled(expiry(), "BitBtn4"));
}

TEST_F(ExpiryWindow, UnusableThresholdsReportTheFailure) {
    LogIn();  // no counter refresh: the thresholds still hold their placeholders
    expiry()->show();
    Click(expiry(), "BitBtn4");
    EXPECT_EQ(boxes_.LastText(), "查询失败");
    EXPECT_TRUE(ListCommandsEnabled(false));
}

TEST_F(ExpiryWindow, SearchUsesItsOwnFailureText) {
    OpenExpiry();
    Click(expiry(), "BitBtn4");
    Click(expiry(), "BitBtn3");
    Type(expiry(), "Edit2", "not a date");
    Click(expiry(), "BitBtn10");
    EXPECT_EQ(boxes_.LastText(), "查询失败");
    Type(expiry(), "Edit2", "2011-3-15");
    Click(expiry(), "BitBtn10");
    EXPECT_EQ(module_->ADOQuery5.RecNo(), 1);
}

TEST_F(ExpiryWindow, ADetailOpenedHereRefreshesThisListAndClosingBringsTheMainWindowBack) {
    OpenExpiry();
    Click(expiry(), "BitBtn4");
    expiry()->grid().selectRow(1);
    Click(expiry(), "BitBtn2");
    TForm3* detail = windows_->Form3();
    ASSERT_TRUE(detail->isVisible());
    EXPECT_EQ(detail->windowTitle(), "网站资料详细查询");
    EXPECT_EQ(detail->ExpiryMarker(), "1");
    EXPECT_EQ(Find<QLineEdit>(detail, "Edit3")->text(), "100002.com");

    // A record that fell due meanwhile shows up when the detail window closes.
    Add("100004", "2011-3-1", "2099-1-1");
    detail->close();
    EXPECT_EQ(Listed().size(), 3u);
    EXPECT_EQ(Text(main(), "Label3"), "00000");  // the main list was not refreshed

    expiry()->close();
    EXPECT_TRUE(main()->isVisible());
    EXPECT_EQ(Text(main(), "Label3"), "4");
    EXPECT_EQ(detail->ExpiryMarker(), "");

    // From the main window again, the detail window refreshes the main list.
    Add("100005", "2099-1-1", "2099-1-1");
    main()->grid().selectRow(0);
    Click(main(), "BitBtn14");
    detail->close();
    EXPECT_EQ(Text(main(), "Label3"), "5");
}

TEST_F(ExpiryWindow, TheContactItemShowsTheContactBox) {
    OpenExpiry();
    Trigger(expiry(), "N8");
    EXPECT_EQ(boxes_.shown.back().title, "在线帮助");
}

// The daily reminder, judged as the counters judge: told once a day in one notification that the
// next day's replaces, never filling the counters, and a click on it shows this window's list.
TEST_F(ExpiryWindow, TheDailyReminderIsToldOnceADayAndItsClickShowsThisList) {
    struct RecordingNotifier : DesktopNotifier {
        std::vector<std::pair<QString, std::uint32_t>> told;  // summary, the notification replaced
        std::uint32_t Notify(const QString& summary, const QString&, bool, std::uint32_t replaces) override {
            told.emplace_back(summary, replaces);
            return 41;
        }
    } notifier;
    test::TempFolder state;
    setenv("XDG_STATE_HOME", state.path().c_str(), 1);
    const std::unique_ptr<void, void (*)(void*)> restore(&state, [](void*) { unsetenv("XDG_STATE_HOME"); });
    StartWindows();
    context_->notifier = &notifier;
    windows_->Form6()->show();
    Click(windows_->Form6(), "BitBtn1");
    auto* reminder = main()->findChild<DueReminder*>("DueReminder");
    ASSERT_NE(reminder, nullptr);
    int checks = 0;
    QObject::connect(reminder, &DueReminder::Checked, [&checks] { ++checks; });
    const auto check = [&] {  // the register is read off the window's thread
        const int before = checks;
        reminder->Check();
        for (int waited = 0; checks == before && waited < 1000; ++waited) {
            std::this_thread::sleep_for(milliseconds(10));
            QCoreApplication::processEvents();
        }
    };

    check();
    check();
    ASSERT_EQ(notifier.told.size(), 1u);
    EXPECT_EQ(notifier.told[0].first, "1 个空间、1 个域名将在 5 天内到期");
    EXPECT_EQ(Text(main(), "Label5"), "00000");  // the counters are the user's
    text::SetClockForTesting([] { return text::LocalTime{text::Date{year(2011), month(3), day(11)}, 0, 1, 0}; });
    check();
    ASSERT_EQ(notifier.told.size(), 2u);
    EXPECT_EQ(notifier.told[1].second, 41u);

    notifier.clicked(41);
    EXPECT_TRUE(expiry()->isVisible());
    EXPECT_EQ(Listed(), (std::vector<QString>{"100001", "100002", "100003"}));  // 100003's space is due by now
}

}  // namespace
}  // namespace sitora::ui
