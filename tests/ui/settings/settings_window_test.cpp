#include "data/record_entry.h"
#include "ui/settings/settings_window.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QSystemTrayIcon>

#include "base/text/cp936.h"
#include "protect/block_store.h"
#include "protect/data_key.h"
#include "support/register_fixture.h"
#include "support/window_fixture.h"
#include "ui/main/main_window.h"

namespace sitora::ui {
namespace {

class SettingsWindow : public test::WindowTest {
protected:
    TForm5* settings() { return windows_->Form5(); }
    QComboBox* List(const char* name) { return Find<QComboBox>(settings(), name); }
    void Exec(const std::string& statement) {
        data::TDataModule1 module;
        module.SetUpConnection(program_.ProgramFolder());
        module.ADOQuery4.SetSQL(statement);
        module.ADOQuery4.ExecSQL();
    }
    std::string LeadTimes() {
        data::TDataModule1 module;
        module.SetUpConnection(program_.ProgramFolder());
        module.ADOQuery6.SetSQL("select web_alarm||'/'||domain_alarm from t_set");
        module.ADOQuery6.Open();
        return data::AsString(module.ADOQuery6.Field(0));
    }
    void ChangeKey(const QString& old_key, const QString& new_key, const QString& confirmation) {
        Type(settings(), "Edit1", old_key);
        Type(settings(), "Edit2", new_key);
        Type(settings(), "Edit3", confirmation);
        Click(settings(), "BitBtn4");
    }
};

TEST_F(SettingsWindow, ShowsAndSavesTheLeadTimes) {
    Exec("update t_set set web_alarm=7,domain_alarm=15");
    LogIn();
    Click(windows_->Form1(), "BitBtn13");
    EXPECT_EQ(settings()->windowTitle(), "软件设置");
    EXPECT_EQ(List("ComboBox1")->currentText(), "7");
    EXPECT_EQ(List("ComboBox2")->currentText(), "15");
    EXPECT_EQ(List("ComboBox1")->count(), 31);
    List("ComboBox1")->setCurrentIndex(0);
    List("ComboBox2")->setCurrentIndex(30);
    Click(settings(), "BitBtn1");
    EXPECT_EQ(boxes_.LastText(), "数据修改成功");
    EXPECT_EQ(LeadTimes(), "1/31");
    // Shown again, it reloads what the database holds.
    Exec("update t_set set web_alarm=4,domain_alarm=4");
    Click(settings(), "BitBtn2");
    EXPECT_FALSE(settings()->isVisible());
    settings()->show();
    EXPECT_EQ(List("ComboBox1")->currentText(), "4");
}

TEST_F(SettingsWindow, ASettingsTableWithoutRowsShowsEmptyTexts) {
    Exec("delete from t_set");
    LogIn();
    settings()->show();
    EXPECT_EQ(List("ComboBox1")->currentText(), "");
    Click(settings(), "BitBtn1");
    EXPECT_EQ(boxes_.LastText(), "数据修改成功");
}

TEST_F(SettingsWindow, UnreadableOrUnwritableSettingsReportTheirFailure) {
    LogIn();
    Exec("drop table t_set");
    settings()->show();
    EXPECT_EQ(boxes_.LastText(), "数据查询失败");
    EXPECT_EQ(List("ComboBox1")->currentText(), "3");
    Click(settings(), "BitBtn1");
    EXPECT_EQ(boxes_.LastText(), "数据修改失败");
}

TEST_F(SettingsWindow, CompactionKeepsEveryRecordAndReconnectsOnTheNextQuery) {
    for (int i = 0; i < 20; ++i) InsertRecord(test::SampleRecord(std::to_string(100000 + i), std::to_string(i)));
    LogIn();
    Click(windows_->Form1(), "BitBtn1");
    settings()->show();
    Click(settings(), "BitBtn3");
    EXPECT_EQ(boxes_.LastText(), "压缩数据库成功");
    EXPECT_FALSE(module_->ADOQuery1.Active());
    EXPECT_FALSE(std::filesystem::exists(program_ / "tempdb.mdb"));
    Click(windows_->Form1(), "BitBtn1");
    EXPECT_EQ(Text(windows_->Form1(), "Label3"), "20");
}

TEST_F(SettingsWindow, AFailedCompactionShowsTheErrorAndLeavesDbMdb) {
    LogIn();
    test::WriteFile(program_ / "db.mdb", std::string(4096, 'z'));
    settings()->show();
    Click(settings(), "BitBtn3");
    EXPECT_TRUE(boxes_.LastText().startsWith("压缩数据库出错\r\r在线帮助\r网站："));
    EXPECT_EQ(test::ReadFile(program_ / "db.mdb"), std::string(4096, 'z'));
}

TEST_F(SettingsWindow, KeyChangeRefusalsComeInOrderAndKeepTheEntries) {
    ASSERT_TRUE(protect::StoreValue("oldkey", program_ / "sk.exe", private_ / "s.txt"));
    LogIn();
    settings()->show();
    ChangeKey("wrong", "abc", "xyz");
    EXPECT_EQ(boxes_.LastText(), "原始密钥输入有错");
    ChangeKey("oldkey", "abcde", "xyz");
    EXPECT_EQ(boxes_.LastText(), "密钥位数小于6位");
    ChangeKey("oldkey", "abcdef", "abcdeg");
    EXPECT_EQ(boxes_.LastText(), "两次密码输入不一致");
    EXPECT_EQ(Find<QLineEdit>(settings(), "Edit2")->text(), "abcdef");
    EXPECT_EQ(end_requests_, 0);
}

TEST_F(SettingsWindow, ASuccessfulKeyChangeEndsTheProgramAndTheNextStartLoadsTheNewKey) {
    test::InsertSealedRecord(program_.ProgramFolder(), "100001", "k.com", "pw", "");  // sealed before the change
    LogIn();  // no key stored: the old-key check accepts an empty entry
    settings()->show();
    ChangeKey("", "新密钥", "新密钥");
    EXPECT_EQ(boxes_.LastText(), "密钥修改成功,请重启本软件！");
    EXPECT_EQ(end_requests_, 1);
    EXPECT_FALSE(windows_->Form1()->trayIcon()->isVisible());
    EXPECT_EQ(context_->data_key.View(), "");  // unchanged until the end
    EXPECT_EQ(protect::LoadDataKey(program_.path(), private_.path()), text::ToCp936("新密钥"));

    windows_.reset();
    LogIn();
    EXPECT_EQ(context_->data_key.View(), text::ToCp936("新密钥"));
    // The change wrapped the register key anew: the record opens under the new key only.
    EXPECT_EQ(OpenedAccount("web_pass", "k.com", "新密钥"), "pw");
    EXPECT_EQ(OpenedAccount("web_pass", "k.com", ""), "<refused>");
}

TEST_F(SettingsWindow, WithoutSkExeAChangeShowsNothingAndLeavesTheTransferFile) {
    std::filesystem::remove(program_ / "sk.exe");
    LogIn();
    settings()->show();
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    Type(settings(), "Edit1", "");
    Type(settings(), "Edit2", "abcdefg");
    Type(settings(), "Edit3", "abcdefg");
    QCoreApplication::sendEvent(Find<QLineEdit>(settings(), "Edit3"), &enter);
    EXPECT_TRUE(boxes_.shown.empty());
    EXPECT_TRUE(std::filesystem::exists(private_ / "sks.txt"));
    EXPECT_EQ(end_requests_, 0);
}

}  // namespace
}  // namespace sitora::ui
