#include "ui/records/detail_window.h"

#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QPlainTextEdit>

#include "data/catalogue/statements.h"
#include "base/text/cp936.h"
#include "protect/block_store.h"
#include "protect/nibble_cipher.h"
#include "protect/protected_fields.h"
#include "support/register_fixture.h"
#include "support/window_fixture.h"
#include "ui/toolkit/choice_list.h"
#include "ui/expiry/expiry_window.h"
#include "ui/main/main_window.h"
#include "ui/records/add_window.h"
#include "ui/toolkit/data_grid.h"

namespace sitora::ui {
namespace {

// Every column of one record, read straight from db.mdb.
std::map<std::string, std::string> Row(const test::TempFolder& program, const std::string& address) {
    data::TDataModule1 module;
    module.SetUpConnection(program.ProgramFolder());
    module.ADOQuery3.SetSQL(data::sql::LoadRecord(address));
    module.ADOQuery3.Open();
    std::map<std::string, std::string> row;
    if (module.ADOQuery3.RecordCount() == 0) return row;
    for (int c = 0; c < module.ADOQuery3.FieldCount(); ++c)
        row[module.ADOQuery3.FieldName(c)] = data::AsString(module.ADOQuery3.Field(c));
    return row;
}

class DetailWindow : public test::WindowTest {
protected:
    void UseKey(const std::string& key) {
        ASSERT_TRUE(protect::StoreValue(text::ToCp936(key), program_ / "sk.exe", private_ / "s.txt"));
    }
    TForm1* main() { return windows_->Form1(); }
    TForm3* detail() { return windows_->Form3(); }
    QString Field(const char* name) { return Find<QLineEdit>(detail(), name)->text(); }
    // A record written as the add window writes it, under `key`.
    void AddProtected(const std::string& number, const std::string& address, const std::string& key,
                      const std::string& domain_user = "域名 用户") {
        auto record = test::SampleRecord(number, address);
        const std::string n = text::ToCp936(number);
        for (const char* column : {"web_user", "web_pass", "web_domainpass", "web_dbname", "web_dbip", "web_dbuser", "web_dbpass"})
            record[column] = protect::ProtectValue(text::ToCp936(std::string(column) + " 值"), n);
        record["web_domainuser"] = protect::ProtectDomainUser(text::ToCp936(domain_user), n, text::ToCp936(key));
        record["web_time"] = "2011-12-1";
        InsertRecord(record);
    }
    void OpenFromMain(int row, bool read_only) {
        Click(main(), "BitBtn1");
        main()->grid().selectRow(row);
        Click(main(), read_only ? "BitBtn14" : "BitBtn3");
    }
};

TEST_F(DetailWindow, TheRoadOfARecordFromAddToDelete) {
    UseKey("钥匙 key");
    LogIn();
    Click(main(), "BitBtn2");
    TForm2* add = windows_->Form2();
    Type(add, "Edit1", "201103100001");
    Type(add, "Edit3", "road.example.com");
    Type(add, "Edit5", " 后台 用户 ");
    Type(add, "Edit6", "pw201103100001x");  // holds the number: comes back as typed
    Type(add, "Edit9", "dom user");
    Type(add, "Edit13", "库名");
    Click(add, "BitBtn1");
    ASSERT_EQ(boxes_.LastText(), "数据库添加成功");
    add->close();
    ASSERT_EQ(Text(main(), "Label3"), "1");
    EXPECT_EQ(main()->grid().model()->index(0, 2).data().toString(), "road.example.com");

    main()->grid().selectRow(0);
    Click(main(), "BitBtn3");
    ASSERT_TRUE(detail()->isVisible());
    EXPECT_EQ(detail()->windowTitle(), "网站资料修改");
    EXPECT_EQ(Field("Edit1"), "201103100001");
    EXPECT_EQ(Field("Edit5"), " 后台 用户 ");
    EXPECT_EQ(Field("Edit6"), "pw201103100001x");
    EXPECT_EQ(Field("Edit9"), "dom user");
    EXPECT_EQ(Field("Edit13"), "库名");
    EXPECT_EQ(Find<QComboBox>(detail(), "ComboBox1")->currentText(), "2010");

    // Each section save changes only its own columns.
    auto before = Row(program_, "road.example.com");
    Type(detail(), "Edit2", "新名称");
    Type(detail(), "Edit14", "9G");
    Find<QPlainTextEdit>(detail(), "Memo1")->setPlainText("changed");
    Click(detail(), "BitBtn2");
    EXPECT_EQ(boxes_.LastText(), "数据修改成功");
    EXPECT_EQ(boxes_.shown.back().title, "数据库资料");
    auto after = Row(program_, "road.example.com");
    for (const auto& [column, value] : before) {
        const bool database_section = column.rfind("web_db", 0) == 0;
        if (!database_section) {
            EXPECT_EQ(after[column], value) << column;
        }
    }
    EXPECT_EQ(after["web_dbsize"], "9G");
    EXPECT_EQ(after["web_remark"], before["web_remark"]);

    Click(detail(), "BitBtn1");
    EXPECT_EQ(boxes_.shown.back().title, "网站资料");
    after = Row(program_, "road.example.com");
    EXPECT_EQ(after["web_name"], "新名称");
    EXPECT_EQ(after["web_remark"], before["web_remark"]);
    // The revealed domain user is saved as it is shown.
    EXPECT_EQ(OpenedAccount("web_domainuser", "road.example.com", "钥匙 key"), "dom user");
    EXPECT_EQ(OpenedAccount("web_user", "road.example.com", "钥匙 key"), text::ToCp936("后台 用户"));  // trimmed

    Find<QComboBox>(detail(), "ComboBox4")->setCurrentText("2030");
    Click(detail(), "BitBtn3");
    EXPECT_EQ(boxes_.shown.back().title, "日期资料");
    EXPECT_EQ(Row(program_, "road.example.com")["web_endtime"], "2030-1-1");
    Click(detail(), "BitBtn4");
    EXPECT_EQ(boxes_.shown.back().title, "备注资料");
    EXPECT_EQ(Row(program_, "road.example.com")["web_remark"], "changed");

    Click(detail(), "BitBtn8");
    EXPECT_FALSE(detail()->isVisible());
    EXPECT_EQ(main()->grid().model()->index(0, 1).data().toString(), "新名称");  // refreshed on close

    main()->grid().selectRow(0);
    Click(main(), "BitBtn4");
    EXPECT_EQ(boxes_.LastText(), "删除成功");
    EXPECT_TRUE(Row(program_, "road.example.com").empty());
}

TEST_F(DetailWindow, ARecordOfAnotherKeyIsRefusedAndNothingCanBeSavedAfterwards) {
    UseKey("new key");
    AddProtected("100001", "old.com", "old key");
    AddProtected("100002", "", "old key");  // a record an emptied address would hit
    LogIn();
    OpenFromMain(0, false);
    EXPECT_NE(boxes_.LastText(), "读取详细数据失败");  // not before the window is on the screen...
    for (int pass = 0; pass < 3; ++pass) QCoreApplication::processEvents();
    EXPECT_EQ(boxes_.LastText(), "读取详细数据失败");  // ...but over it
    EXPECT_EQ(boxes_.last_over, detail());
    EXPECT_EQ(Field("Edit1"), "");
    EXPECT_EQ(Field("Edit3"), "");
    EXPECT_EQ(Find<QComboBox>(detail(), "ComboBox1")->currentText(), "2010");  // lists keep their text
    EXPECT_FALSE(detail()->RecordLoaded());

    const auto before = Row(program_, "");
    for (const char* save : {"BitBtn1", "BitBtn2", "BitBtn3", "BitBtn4"}) {
        Click(detail(), save);
        EXPECT_EQ(boxes_.LastText(), "数据修改出错") << save;
    }
    EXPECT_EQ(Row(program_, ""), before);
}

TEST_F(DetailWindow, AnEmptyKeyReadsEveryRecordAndDatesSplitIntoTheLists) {
    AddProtected("100001", "a.com", "some key", "user");
    LogIn();
    OpenFromMain(0, true);
    EXPECT_TRUE(detail()->RecordLoaded());
    EXPECT_EQ(Field("Edit9"), "usersome key");  // no key to drop: the text stays whole
    EXPECT_EQ(Field("Edit15"), "web_dbip 值");
    EXPECT_EQ(Find<QComboBox>(detail(), "ComboBox1")->currentText(), "2011");
    EXPECT_EQ(Find<QComboBox>(detail(), "ComboBox2")->currentText(), "12");
    EXPECT_EQ(Find<QComboBox>(detail(), "ComboBox3")->currentText(), "1");
}

TEST_F(DetailWindow, ReadOnlyFormDisablesAllEightButtonsAndKeepsNumberAndAddressReadOnly) {
    AddProtected("100001", "a.com", "");
    LogIn();
    OpenFromMain(0, true);
    EXPECT_EQ(detail()->windowTitle(), "网站资料详细查询");
    for (const char* button : {"BitBtn1", "BitBtn2", "BitBtn3", "BitBtn4", "BitBtn5", "BitBtn6", "BitBtn7", "BitBtn8"})
        EXPECT_FALSE(Enabled(detail(), button)) << button;
    EXPECT_TRUE(Find<QLineEdit>(detail(), "Edit2")->isReadOnly());
    detail()->close();
    OpenFromMain(0, false);
    EXPECT_FALSE(Find<QLineEdit>(detail(), "Edit2")->isReadOnly());
    EXPECT_TRUE(Find<QLineEdit>(detail(), "Edit1")->isReadOnly());
    EXPECT_TRUE(Find<QLineEdit>(detail(), "Edit3")->isReadOnly());
    EXPECT_TRUE(Enabled(detail(), "BitBtn1"));
}

TEST_F(DetailWindow, AHandOverWhileShownLoadsTheNewRecordAtOnce) {
    AddProtected("100001", "a.com", "");
    AddProtected("100002", "b.com", "");
    LogIn();
    OpenFromMain(0, false);
    EXPECT_EQ(Field("Edit1"), "100001");
    OpenFromMain(1, false);
    EXPECT_EQ(Field("Edit1"), "100002");
    Type(detail(), "Edit2", "only b");
    Click(detail(), "BitBtn1");
    EXPECT_EQ(Row(program_, "b.com")["web_name"], "only b");
    EXPECT_NE(Row(program_, "a.com")["web_name"], "only b");
}

TEST_F(DetailWindow, DateSaveChecksOrderAndRefusesTextThatIsNoNumber) {
    AddProtected("100001", "a.com", "");
    LogIn();
    OpenFromMain(0, false);
    const auto before = Row(program_, "a.com");
    auto* purchase_day = Find<QComboBox>(detail(), "ComboBox3");
    Find<QComboBox>(detail(), "ComboBox1")->setCurrentText("2013");  // after expiry 2012-1-1
    Click(detail(), "BitBtn3");
    EXPECT_EQ(boxes_.LastText(), "网站到期时间不能小网站申请日期");
    EXPECT_EQ(boxes_.shown.back().title, "日期资料");
    Find<QComboBox>(detail(), "ComboBox1")->setCurrentText("2010");
    static_cast<ChoiceList*>(purchase_day)->Choose("x");  // as another program may store it
    Click(detail(), "BitBtn3");
    EXPECT_EQ(boxes_.LastText(), "数据修改出错");
    EXPECT_EQ(Row(program_, "a.com"), before);
}

TEST_F(DetailWindow, DateListsChooseTheLoadedEntryAndReadOnlyListsTakeNoChange) {
    auto record = test::SampleRecord("100001", "a.com");
    record["web_endtime"] = "2030-11-5";
    InsertRecord(record);
    LogIn();
    OpenFromMain(0, false);
    auto* year = Find<ChoiceList>(detail(), "ComboBox4");
    auto* month = Find<ChoiceList>(detail(), "ComboBox5");
    EXPECT_EQ(year->itemText(year->currentIndex()), "2030");
    EXPECT_EQ(month->itemText(month->currentIndex()), "11");
    QKeyEvent down(QEvent::KeyPress, Qt::Key_Down, Qt::NoModifier);
    QApplication::sendEvent(year, &down);
    EXPECT_EQ(year->currentText(), "2031");  // one step on from the loaded year
    QKeyEvent three(QEvent::KeyPress, Qt::Key_3, Qt::NoModifier, "3");
    QApplication::sendEvent(year, &three);
    EXPECT_EQ(year->currentText(), "2031");  // a typed character chooses nothing (not the year 3000)

    OpenFromMain(0, true);
    EXPECT_TRUE(year->isEnabled());  // shown as it is, not greyed
    QApplication::sendEvent(year, &down);
    EXPECT_EQ(year->currentText(), "2030");
}

TEST_F(DetailWindow, ADataKeyThatIsNoValidTextIsKeptByteForByte) {
    // A key written by another program: a lone lead byte at its end.
    const std::string key = "key\x81";
    ASSERT_TRUE(protect::StoreValue(key, program_ / "sk.exe", private_ / "s.txt"));
    auto record = test::SampleRecord("100001", "a.com");
    record["web_domainuser"] = protect::ProtectDomainUser("dom", "100001", key);
    InsertRecord(record);
    LogIn();
    EXPECT_EQ(context_->data_key.View(), key);
    OpenFromMain(0, true);
    EXPECT_TRUE(detail()->RecordLoaded());
    EXPECT_EQ(Field("Edit9"), "dom");
}

TEST_F(DetailWindow, ASaveOfARecordDeletedMeanwhileReportsAnError) {
    AddProtected("100001", "a.com", "");
    LogIn();
    OpenFromMain(0, false);
    data::TDataModule1 other;
    other.SetUpConnection(program_.ProgramFolder());
    other.ADOQuery4.SetSQL("delete from t_webinfo");
    other.ADOQuery4.ExecSQL();
    Click(detail(), "BitBtn4");
    EXPECT_EQ(boxes_.LastText(), "数据修改出错");
    EXPECT_EQ(boxes_.shown.back().title, "备注资料");
}

TEST_F(DetailWindow, AMissingDateEndsTheLoadWithTheQueryErrorMessageAndCanBeRepaired) {
    auto record = test::SampleRecord("100001", "a.com");
    InsertRecord(record);
    data::TDataModule1 other;
    other.SetUpConnection(program_.ProgramFolder());
    other.ADOQuery4.SetSQL("update t_webinfo set web_domaintime=null");
    other.ADOQuery4.ExecSQL();
    LogIn();
    OpenFromMain(0, false);
    EXPECT_TRUE(boxes_.LastText().startsWith("数据查询出错\r帮助网站："));
    EXPECT_EQ(Field("Edit1"), "100001");  // filled before the dates
    // The dates section is how the date is repaired: it saves what the lists show.
    Click(detail(), "BitBtn3");
    EXPECT_EQ(boxes_.LastText(), "数据修改成功");
    EXPECT_FALSE(Row(program_, "a.com")["web_domaintime"].empty());
}

}  // namespace
}  // namespace sitora::ui
