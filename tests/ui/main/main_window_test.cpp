#include "ui/main/main_window.h"

#include <QCoreApplication>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QHeaderView>
#include <QMenu>
#include <QSystemTrayIcon>

#include "base/text/clock.h"
#include "base/text/cp936.h"
#include "protect/block_store.h"
#include "support/jet4_writer.h"
#include "support/register_fixture.h"
#include "support/windows_register.h"
#include "support/window_fixture.h"
#include "ui/toolkit/desktop_services.h"
#include "ui/aux/banner_window.h"
#include "ui/login/login_window.h"
#include "ui/toolkit/data_grid.h"

namespace sitora::ui {
namespace {

using namespace std::chrono;

const char* const kRecordButtons[] = {"BitBtn3", "BitBtn4", "BitBtn5", "BitBtn6", "BitBtn7", "BitBtn9", "BitBtn14"};
const char* const kRecordItems[] = {"N5", "N6", "N8", "N9", "N10", "N17"};

class MainWindow : public test::WindowTest {
protected:
    TForm1* main() { return windows_->Form1(); }
    void SetToday(int y, unsigned m, unsigned d) {
        text::SetClockForTesting([=] { return text::LocalTime{text::Date{year(y), month(m), day(d)}, 9, 7, 3}; });
    }
    void AddRecord(const std::string& number, const std::string& space_end, const std::string& domain_end) {
        auto record = test::SampleRecord(number, "site" + number + ".com");
        record["web_endtime"] = space_end;
        record["web_enddomaintime"] = domain_end;
        InsertRecord(record);
    }
    void SetLeadTimes(const std::string& space, const std::string& domain) {
        data::TDataModule1 module;
        module.SetUpConnection(program_.ProgramFolder());
        module.ADOQuery6.SetSQL("update t_set set web_alarm=:web_alarm,domain_alarm=:domain_alarm");
        module.ADOQuery6.SetParameter("web_alarm", space);
        module.ADOQuery6.SetParameter("domain_alarm", domain);
        module.ADOQuery6.ExecSQL();
    }
    bool RecordCommandsEnabled(bool expected) {
        bool all = true;
        for (const char* name : kRecordButtons) all &= Enabled(main(), name) == expected;
        for (const char* name : kRecordItems) all &= Find<QAction>(main(), name)->isEnabled() == expected;
        return all;
    }
};

TEST_F(MainWindow, FirstShowWithoutDbMdbReportsAndEndsTheProgram) {
    std::filesystem::remove(program_ / "db.mdb");
    LogIn();
    ASSERT_EQ(boxes_.shown.size(), 1u);
    EXPECT_TRUE(boxes_.LastText().startsWith("数据库接连失败，请查看数据库文件是否存在\r\r在线帮助\r网站："));
    EXPECT_EQ(end_requests_, 1);
    EXPECT_FALSE(std::filesystem::exists(program_ / "db.mdb"));
    EXPECT_NE(main()->trayIcon(), nullptr);
}

TEST_F(MainWindow, AnAccessDbMdbIsConvertedAtConnectionOrLeftUntouchedWithTheReason) {
    std::filesystem::remove(program_ / "db.mdb");
    test::WriteWindowsRegister(program_ / "db.mdb", {{test::WindowsRecord("20100101000001", "a.com")}, "", true});
    const std::string original = test::ReadFile(program_ / "db.mdb");
    LogIn();
    ASSERT_EQ(boxes_.shown.size(), 1u);
    EXPECT_TRUE(boxes_.LastText().startsWith("db.mdb 是 Windows 版的 Access 数据库，已转换为本程序的数据库，共 1 条记录。"
                                              "\r原文件保存为 db.jet.mdb。"))
        << boxes_.LastText().toStdString();
    EXPECT_EQ(test::ReadFile(program_ / "db.jet.mdb"), original);
    // The Windows version's scramble is gone at once: the accounts are sealed.
    EXPECT_EQ(OpenedAccount("web_pass", "a.com", ""), text::ToCp936("密码"));  // as the old form showed it
    Click(main(), "BitBtn1");
    EXPECT_EQ(Text(main(), "Label3"), "1");
    EXPECT_EQ(end_requests_, 0);
}

TEST_F(MainWindow, AnAccessDbMdbThatCannotBeConvertedStaysAsItWas) {
    using test::JetType;
    test::WriteJet4(program_ / "db.mdb", {{"t_webinfo", {{"web_id", JetType::kText}, {"web_time", JetType::kDateTime}},
                                            {{std::string("123456"), 40000.5}}}});
    const std::string original = test::ReadFile(program_ / "db.mdb");
    LogIn();
    ASSERT_EQ(boxes_.shown.size(), 2u);
    EXPECT_TRUE(boxes_.shown[0].text.startsWith("db.mdb 是 Windows 版的 Access 数据库，无法转换，原文件未作任何改动：\r"));
    EXPECT_TRUE(boxes_.shown[0].text.contains("web_time: the time of day 12:00:00"));
    EXPECT_TRUE(boxes_.LastText().startsWith("数据库接连失败"));
    EXPECT_EQ(end_requests_, 1);
    EXPECT_EQ(test::ReadFile(program_ / "db.mdb"), original);
    EXPECT_FALSE(std::filesystem::exists(program_ / "db.jet.mdb"));
}

TEST_F(MainWindow, AServerThatCannotBeReachedGivesTheConnectionFailureAndLeavesDbMdbAlone) {
    std::filesystem::remove(program_ / "db.mdb");
    test::WriteWindowsRegister(program_ / "db.mdb", {{test::WindowsRecord("20100101000001", "a.com")}, "", true});
    const std::string original = test::ReadFile(program_ / "db.mdb");
    test::WriteFile(program_ / "register.conf",
                    "postgresql:///sitora?host=" + (program_ / "no-server").string() + "&connect_timeout=2\n");
    LogIn();
    ASSERT_EQ(boxes_.shown.size(), 1u);
    EXPECT_TRUE(boxes_.LastText().startsWith("数据库接连失败"));
    EXPECT_EQ(end_requests_, 1);
    EXPECT_EQ(test::ReadFile(program_ / "db.mdb"), original);  // not converted: it is not the register
}

TEST_F(MainWindow, FirstShowLoadsTheDataKeyOnceAndShowsTheBanner) {
    ASSERT_TRUE(protect::StoreValue(text::ToCp936("钥匙abc"), program_ / "sk.exe", private_ / "s.txt"));
    LogIn();
    EXPECT_TRUE(boxes_.shown.empty());
    EXPECT_EQ(context_->data_key.View(), text::ToCp936("钥匙abc"));
    EXPECT_TRUE(windows_->Form8()->isVisible());
    EXPECT_EQ(main()->trayIcon()->toolTip(), "双击显示主界面");
    EXPECT_EQ(main()->windowTitle(), "Sitora V1.0");
    EXPECT_EQ(Text(main(), "Label3"), "00000");
    EXPECT_TRUE(RecordCommandsEnabled(false));

    // Showing again does not reconnect: an open list stays open.
    Click(main(), "BitBtn1");
    main()->hide();
    main()->show();
    EXPECT_TRUE(module_->ADOQuery1.Active());
}

TEST_F(MainWindow, WithoutAKeyEveryShowRepeatsTheFirstShow) {
    LogIn();
    Click(main(), "BitBtn1");
    main()->hide();
    main()->show();
    EXPECT_FALSE(module_->ADOQuery1.Active());  // the connection was set up again
    EXPECT_EQ(context_->data_key.View(), "");
}

TEST_F(MainWindow, ListRefreshOnEmptyAndFilledTables) {
    LogIn();
    Click(main(), "BitBtn1");
    EXPECT_EQ(Text(main(), "Label3"), "0");
    EXPECT_TRUE(RecordCommandsEnabled(false));

    AddRecord("1", "2011-1-1", "2011-1-1");
    AddRecord("2", "2011-1-1", "2011-1-1");
    Click(main(), "BitBtn1");
    EXPECT_EQ(Text(main(), "Label3"), "2");
    EXPECT_TRUE(RecordCommandsEnabled(true));
    EXPECT_EQ(main()->grid().model()->rowCount(), 2);
    EXPECT_EQ(main()->grid().model()->index(1, 2).data().toString(), "site2.com");
    EXPECT_EQ(main()->grid().model()->headerData(7, Qt::Horizontal).toString(), "域名到期日期");
}

TEST_F(MainWindow, CountersWarnAheadByTheLeadTimes) {
    SetToday(2011, 3, 10);
    SetLeadTimes("3", "0");
    AddRecord("1", "2011-3-13", "2011-3-11");  // space due in 3 days: counted; domain tomorrow: not
    AddRecord("2", "2011-3-14", "2011-3-10");  // space in 4 days: not; domain today: counted
    AddRecord("3", "2010-1-1", "2010-1-1");    // long gone: both counted
    LogIn();
    EXPECT_FALSE(Enabled(main(), "BitBtn12"));
    Click(main(), "BitBtn8");
    EXPECT_EQ(Text(main(), "Label5"), "2");
    EXPECT_EQ(Text(main(), "Label7"), "2");
    EXPECT_EQ(main()->SpaceThreshold(), "2011-3-13");
    EXPECT_EQ(main()->DomainThreshold(), "2011-3-10");
    EXPECT_TRUE(Enabled(main(), "BitBtn12"));
    EXPECT_EQ(Text(main(), "Label3"), "00000");  // the total is not touched
}

TEST_F(MainWindow, NoDueRecordsDisableTheExpiryButton) {
    SetToday(2011, 3, 10);
    AddRecord("1", "2012-1-1", "2012-1-1");
    LogIn();
    Click(main(), "BitBtn8");
    EXPECT_EQ(Text(main(), "Label5"), "0");
    EXPECT_FALSE(Enabled(main(), "BitBtn12"));
}

TEST_F(MainWindow, UnusableLeadTimesFailBeforeAnythingIsWritten) {
    SetToday(2011, 3, 10);
    AddRecord("1", "2010-1-1", "2010-1-1");
    LogIn();
    Click(main(), "BitBtn8");
    ASSERT_EQ(Text(main(), "Label5"), "1");
    for (const char* bad : {"abc", ""}) {
        SetLeadTimes(bad, "3");
        SetToday(2011, 4, 1);
        Click(main(), "BitBtn8");
        EXPECT_EQ(boxes_.LastText(), "查询失败");
        EXPECT_EQ(main()->SpaceThreshold(), "2011-3-13");
        EXPECT_EQ(Text(main(), "Label5"), "1");
        EXPECT_TRUE(Enabled(main(), "BitBtn12"));
    }
    data::TDataModule1 module;
    module.SetUpConnection(program_.ProgramFolder());
    module.ADOQuery6.SetSQL("delete from t_set");
    module.ADOQuery6.ExecSQL();
    boxes_.shown.clear();
    Click(main(), "BitBtn8");
    EXPECT_EQ(boxes_.LastText(), "查询失败");
}

TEST_F(MainWindow, CellClicksRememberAddressesOnlyOnceAListIsLoaded) {
    auto record = test::SampleRecord("1", "www.example.com");
    record["web_login"] = "www.example.com/admin";
    InsertRecord(record);
    LogIn();
    Click(main(), "BitBtn1");
    Click(main(), "BitBtn5");
    EXPECT_EQ(boxes_.LastText(), "没有任何网址可以访问");  // enabled, but nothing clicked yet
    EXPECT_TRUE(urls_.opened.empty());

    auto& grid = main()->grid();
    emit grid.clicked(grid.model()->index(0, 1));
    Click(main(), "BitBtn5");
    Click(main(), "BitBtn6");
    Trigger(main(), "N8");
    ASSERT_EQ(urls_.opened.size(), 3u);
    EXPECT_EQ(urls_.opened[0], "www.example.com");  // handed over unchanged
    EXPECT_EQ(urls_.opened[1], "www.example.com/admin");
    EXPECT_EQ(urls_.opened[2], "www.example.com");
}

TEST_F(MainWindow, CloseHidesMainAndBannerAndTheIconMenuBringsThemBack) {
    ASSERT_TRUE(protect::StoreValue("key", program_ / "sk.exe", private_ / "s.txt"));
    LogIn();
    EXPECT_FALSE(main()->close());
    EXPECT_FALSE(main()->isVisible());
    EXPECT_FALSE(windows_->Form8()->isVisible());
    EXPECT_TRUE(module_->ADOConnection1.Connected());

    Trigger(main(), "N1");
    EXPECT_TRUE(main()->isVisible());
    EXPECT_FALSE(windows_->Form8()->isVisible());
    main()->ShowFromIcon();
    EXPECT_TRUE(windows_->Form8()->isVisible());

    Trigger(main(), "N13");
    EXPECT_EQ(boxes_.shown.back().title, "在线帮助");
    EXPECT_TRUE(boxes_.LastText().startsWith("网站："));
    Trigger(main(), "N16");
    EXPECT_EQ(boxes_.shown.back().title, "在线帮助");

    // A close request to the login window after login hides the same two windows.
    windows_->Form6()->close();
    EXPECT_FALSE(main()->isVisible());
    EXPECT_FALSE(windows_->Form6()->isVisible());

    Trigger(main(), "N3");
    EXPECT_EQ(end_requests_, 1);
    EXPECT_FALSE(main()->trayIcon()->isVisible());
}

TEST_F(MainWindow, WithoutANotificationAreaClosingTheMainWindowEndsTheProgram) {
    StartWindows();
    context_->tray_available = false;
    windows_->Form6()->show();
    Click(windows_->Form6(), "BitBtn1");
    main()->close();
    EXPECT_EQ(end_requests_, 1);
}

TEST_F(MainWindow, ARightClickOnTheTitlesOrTheRowIndicatorOpensTheGridMenu) {
    LogIn();
    auto* menu = main()->findChild<QMenu*>("PopupMenu2");
    ASSERT_NE(menu, nullptr);
    for (QHeaderView* header : {main()->grid().horizontalHeader(), main()->grid().verticalHeader()}) {
        emit header->customContextMenuRequested(QPoint(2, 2));
        EXPECT_TRUE(menu->isVisible());
        menu->hide();
    }
}

TEST(DesktopUrl, AnAddressGoesAsStoredAndOnlyABareHostGetsAScheme) {
    EXPECT_EQ(UrlToOpen("https://example.com/A?b=1").toString(), "https://example.com/A?b=1");
    EXPECT_EQ(UrlToOpen("ftp://files.example.com").toString(), "ftp://files.example.com");
    EXPECT_EQ(UrlToOpen("www.example.com:8080/admin").toString(), "http://www.example.com:8080/admin");
}

TEST_F(MainWindow, QtsOwnTextsAreChineseAndASingleActivationOfTheIconShowsTheWindow) {
    ASSERT_TRUE(InstallChineseQtTexts());
    EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel"), "取消");
    EXPECT_EQ(QFileIconProvider().type(QFileInfo("/tmp")), "文件夹");  // the save dialog's "type" column
    LogIn();
    main()->hide();
    emit main()->trayIcon()->activated(QSystemTrayIcon::Trigger);  // a StatusNotifier panel's double-click
    EXPECT_TRUE(main()->isVisible());
}

}  // namespace
}  // namespace sitora::ui
