#include "ui/records/add_window.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <thread>

#include "data/register_place.h"
#include "data/catalogue/statements.h"
#include "base/text/clock.h"
#include "base/text/cp936.h"
#include "protect/block_store.h"
#include "protect/nibble_cipher.h"
#include "data/engine/server/server_connection.h"
#include "support/register_fixture.h"
#include "support/test_server.h"
#include "support/window_fixture.h"
#include "ui/main/main_window.h"

namespace sitora::ui {
namespace {

using namespace std::chrono;

class AddWindow : public test::WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        PlaceRegister();
        ASSERT_TRUE(protect::StoreValue(text::ToCp936("钥匙"), program_ / "sk.exe", private_ / "s.txt"));
        LogIn();
        Click(main(), "BitBtn2");
        ASSERT_TRUE(add()->isVisible());
    }
    virtual void PlaceRegister() {}  // db.mdb stays where it is
    TForm1* main() { return windows_->Form1(); }
    TForm2* add() { return windows_->Form2(); }
    void Fill(const QString& number, const QString& address) {
        Type(add(), "Edit1", number);
        Type(add(), "Edit3", address);
    }
    void ChooseDate(int first_list, const QString& y, const QString& m, const QString& d) {
        Find<QComboBox>(add(), qPrintable(QString("ComboBox%1").arg(first_list)))->setCurrentText(y);
        Find<QComboBox>(add(), qPrintable(QString("ComboBox%1").arg(first_list + 1)))->setCurrentText(m);
        Find<QComboBox>(add(), qPrintable(QString("ComboBox%1").arg(first_list + 2)))->setCurrentText(d);
    }
    std::string Column(const std::string& column, const std::string& number) {
        data::TDataModule1 module;
        module.SetUpConnection(program_.ProgramFolder());
        module.ADOQuery4.SetSQL("select " + column + " from t_webinfo where web_id=" + data::sql::QuotedLiteral(number));
        module.ADOQuery4.Open();
        return module.ADOQuery4.RecordCount() ? data::AsString(module.ADOQuery4.Field(0)) : "<none>";
    }
    int Records() {
        data::TDataModule1 module;
        module.SetUpConnection(program_.ProgramFolder());
        module.ADOQuery1.Open();
        return module.ADOQuery1.RecordCount();
    }
};

TEST_F(AddWindow, ListsOfferTheirEntriesWithTheInitialChoices) {
    auto* year = Find<QComboBox>(add(), "ComboBox1");
    EXPECT_EQ(year->count(), 1001);
    EXPECT_EQ(year->itemText(0), "2000");
    EXPECT_EQ(year->itemText(1000), "3000");
    EXPECT_EQ(year->currentText(), "2010");
    EXPECT_EQ(Find<QComboBox>(add(), "ComboBox4")->currentText(), "2011");
    EXPECT_EQ(Find<QComboBox>(add(), "ComboBox5")->count(), 12);
    EXPECT_EQ(Find<QComboBox>(add(), "ComboBox12")->count(), 31);
    EXPECT_EQ(add()->windowTitle(), "添加新网站");
}

TEST_F(AddWindow, RefusalsComeInTheirOrderAndStoreNothing) {
    Fill(" 12345 ", "a.com");
    Click(add(), "BitBtn1");
    EXPECT_EQ(boxes_.LastText(), "网站编号不能为空,并且位数不能小于6位");
    Fill("", "a.com");
    Click(add(), "BitBtn1");
    EXPECT_EQ(boxes_.LastText(), "网站编号不能为空,并且位数不能小于6位");

    InsertRecord(test::SampleRecord("111111", "taken.com"));
    Fill("222222", " taken.com ");
    Click(add(), "BitBtn1");
    EXPECT_EQ(boxes_.LastText(), "此网站地址已经存在");
    Fill("111111", "free.com");
    Click(add(), "BitBtn1");
    EXPECT_EQ(boxes_.LastText(), "此网站编号已经存在");

    Fill("333333", "free.com");
    ChooseDate(1, "2011", "1", "2");  // purchase after expiry 2011-1-1
    Click(add(), "BitBtn1");
    EXPECT_EQ(boxes_.LastText(), "网站到期时间不能小网站申请日期");
    ChooseDate(1, "2011", "1", "1");  // equal dates pass
    ChooseDate(7, "2012", "1", "1");
    Click(add(), "BitBtn1");
    EXPECT_EQ(boxes_.LastText(), "域名到期时间不能小域名申请日期");
    for (const auto& box : boxes_.shown) EXPECT_EQ(box.flags, kErrorBox);
    EXPECT_EQ(Records(), 1);
}

// An import in another process holds the write lock while it checks and adds the same site: the
// window's look-ups wait for its commit, then find the record.
TEST_F(AddWindow, ASiteAnImportAddsAtTheSameMomentIsFoundNotAddedTwice) {
    data::TDataModule1 import;
    import.SetUpConnection(program_.ProgramFolder());
    import.ADOConnection1.BeginTransaction();
    import.ADOQuery2.SetSQL(data::sql::kInsertRecord);
    for (const auto& [name, value] : test::SampleRecord("777777", "same.com")) import.ADOQuery2.SetParameter(name, value);
    import.ADOQuery2.ExecSQL();
    std::thread commit([&import] {
        std::this_thread::sleep_for(milliseconds(300));
        import.ADOConnection1.CommitTransaction();
    });
    Fill("888888", "same.com");
    Click(add(), "BitBtn1");
    commit.join();
    EXPECT_EQ(boxes_.LastText(), "此网站地址已经存在");
    EXPECT_EQ(Records(), 1);
}

TEST_F(AddWindow, ADayTheMonthDoesNotHaveIsRefusedByTheDatabase) {
    Fill("444444", "feb.com");
    ChooseDate(4, "2011", "2", "31");
    Click(add(), "BitBtn1");
    EXPECT_EQ(boxes_.LastText(), "数据添加失败");
    EXPECT_EQ(Records(), 0);
}

TEST_F(AddWindow, AnAddStoresTrimmedTextsProtectedAccountsAndDatesWithoutZeros) {
    Fill("  20101231120000 ", "  shop.example.com\t");
    Type(add(), "Edit2", " 网店 ");
    Type(add(), "Edit5", " admin ");
    Type(add(), "Edit9", "域名用户");
    Type(add(), "Edit21", " MySQL ");
    Find<QPlainTextEdit>(add(), "Memo1")->setPlainText("  第一行\n第二行  ");
    ChooseDate(1, "2010", "12", "1");
    Click(add(), "BitBtn1");
    EXPECT_EQ(boxes_.LastText(), "数据库添加成功");
    EXPECT_EQ(boxes_.shown.back().flags, kWarningBox);

    const std::string number = "20101231120000";
    EXPECT_EQ(Column("web_address", number), "shop.example.com");
    EXPECT_EQ(Column("web_name", number), "网店");
    EXPECT_EQ(Column("web_dbtype", number), "MySQL");
    EXPECT_EQ(Column("web_remark", number), "  第一行\n第二行  ");
    EXPECT_EQ(Column("web_time", number), "2010-12-1");
    // Accounts are sealed, untrimmed, under the register key the data key opens, and bound to their record.
    EXPECT_EQ(OpenedAccount("web_user", "shop.example.com", "钥匙"), " admin ");
    EXPECT_EQ(OpenedAccount("web_domainuser", "shop.example.com", "钥匙"), text::ToCp936("域名用户"));
    EXPECT_EQ(OpenedAccount("web_pass", "shop.example.com", "钥匙"), "");
    EXPECT_EQ(OpenedAccount("web_user", "shop.example.com", "另一个"), "<refused>");

    // The fields keep their values: a second add stops at the address.
    Click(add(), "BitBtn1");
    EXPECT_EQ(boxes_.LastText(), "此网站地址已经存在");
    EXPECT_EQ(Records(), 1);
}

TEST_F(AddWindow, OnlyTheNumberIsRequired) {
    Fill("555555", "");
    Click(add(), "BitBtn1");
    EXPECT_EQ(boxes_.LastText(), "数据库添加成功");
    Fill("666666", "");
    Click(add(), "BitBtn1");
    EXPECT_EQ(boxes_.LastText(), "此网站地址已经存在");
}

TEST_F(AddWindow, TheNumberFieldTakesTypedDigitsAndFillsItselfWithTheTime) {
    text::SetClockForTesting([] { return text::LocalTime{text::Date{year(2010), month(12), day(31)}, 12, 0, 0}; });
    auto* number = Find<QLineEdit>(add(), "Edit1");
    QMouseEvent right(QEvent::MouseButtonPress, QPointF(5, 5), QPointF(5, 5), Qt::RightButton, Qt::RightButton,
                      Qt::NoModifier);
    QCoreApplication::sendEvent(number, &right);
    EXPECT_EQ(number->text(), "");  // only a left click fills it
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(5, 5), QPointF(5, 5), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QCoreApplication::sendEvent(number, &press);
    EXPECT_EQ(number->text(), "20101231120000");
    EXPECT_LE(number->fontMetrics().horizontalAdvance(number->text()) + 10, number->width());  // all 14 digits show
    number->setText("12");
    QCoreApplication::sendEvent(number, &press);
    EXPECT_EQ(number->text(), "12");
    number->setCursorPosition(2);
    for (auto [key, text] : {std::pair{Qt::Key_A, "a"}, {Qt::Key_3, "3"}, {Qt::Key_Minus, "-"}, {Qt::Key_Space, " "}}) {
        QKeyEvent typed(QEvent::KeyPress, key, Qt::NoModifier, text);
        QCoreApplication::sendEvent(number, &typed);
    }
    EXPECT_EQ(number->text(), "123");
    number->insert("4x５");  // pasted or committed by an input method: refused whole
    EXPECT_EQ(number->text(), "123");
    QKeyEvent backspace(QEvent::KeyPress, Qt::Key_Backspace, Qt::NoModifier);
    QCoreApplication::sendEvent(number, &backspace);
    EXPECT_EQ(number->text(), "12");
}

TEST_F(AddWindow, TabLeavesTheRemarkAndIsNeverStoredInIt) {
    auto* memo = Find<QPlainTextEdit>(add(), "Memo1");
    QKeyEvent tab(QEvent::KeyPress, Qt::Key_Tab, Qt::NoModifier, "\t");
    QCoreApplication::sendEvent(memo, &tab);
    EXPECT_EQ(memo->toPlainText(), "");
}

TEST_F(AddWindow, ClearAsksAndExitEmptiesAndBothCloseWaysRefreshTheList) {
    Fill("777777", "keep.com");
    Find<QPlainTextEdit>(add(), "Memo1")->setPlainText("note");
    ChooseDate(1, "2005", "6", "7");
    boxes_.answers = {BoxAnswer::Cancel};
    Click(add(), "BitBtn3");
    EXPECT_EQ(boxes_.LastText(), "确定要清空吗？");
    EXPECT_EQ(boxes_.shown.back().flags, kQuestionBox);
    EXPECT_EQ(Find<QLineEdit>(add(), "Edit3")->text(), "keep.com");
    Click(add(), "BitBtn3");
    EXPECT_EQ(Find<QLineEdit>(add(), "Edit3")->text(), "");
    EXPECT_EQ(Find<QPlainTextEdit>(add(), "Memo1")->toPlainText(), "");
    EXPECT_EQ(Find<QComboBox>(add(), "ComboBox1")->currentText(), "2005");

    InsertRecord(test::SampleRecord("888888", "x.com"));
    Fill("999999", "kept.com");
    add()->close();  // the close box keeps the fields
    EXPECT_FALSE(add()->isVisible());
    EXPECT_EQ(Text(main(), "Label3"), "1");
    EXPECT_EQ(Find<QLineEdit>(add(), "Edit3")->text(), "kept.com");
    Click(main(), "BitBtn2");
    Click(add(), "BitBtn2");  // exit empties
    EXPECT_FALSE(add()->isVisible());
    EXPECT_EQ(Find<QLineEdit>(add(), "Edit3")->text(), "");
}

// On a shared register another operator may add the same site between the window's look-up and
// its insert: the server refuses the second, and the window says so as its look-up would.
class AddWindowOnServer : public AddWindow {
protected:
    void SetUp() override {
        if (!test::ServerDatabaseUri("postgres")) GTEST_SKIP() << "the test server is not running";
        AddWindow::SetUp();
    }
    void PlaceRegister() override { test::MoveRegisterToServer(program_.path()); }
};

TEST_F(AddWindowOnServer, ASiteAnotherOperatorAddedAMomentBeforeGetsTheAddWindowsRefusal) {
    data::ServerConnection(*data::ServerUriOf(program_.path()))
        .Run("CREATE FUNCTION other_operator() RETURNS trigger LANGUAGE plpgsql AS $$ BEGIN "
             "IF NEW.web_id <> 'other1' THEN INSERT INTO t_webinfo(web_id, web_address) "
             "VALUES ('other1', upper(NEW.web_address)); END IF; RETURN NEW; END $$; "
             "CREATE TRIGGER other_operator BEFORE INSERT ON t_webinfo FOR EACH ROW EXECUTE FUNCTION other_operator()");
    Fill("555555", "race.com");
    Click(add(), "BitBtn1");
    EXPECT_EQ(boxes_.LastText(), "此网站地址已经存在");
    EXPECT_EQ(boxes_.shown.back().flags, kErrorBox);
    // The stand-in for the other operator went with the refused statement; nothing of ours is stored.
    EXPECT_EQ(Records(), 0);
}

}  // namespace
}  // namespace sitora::ui
