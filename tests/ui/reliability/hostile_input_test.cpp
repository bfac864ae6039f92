// Damaged files and hostile input: each gives its message or a clear error, never a crash,
// and nothing is overwritten or stored differently from what was typed.
#include <QComboBox>
#include <QPlainTextEdit>
#include <unistd.h>

#include <cerrno>

#include "support/fault_vfs.h"
#include "data/catalogue/statements.h"
#include "base/files/file_ops.h"
#include "base/text/cp936.h"
#include "protect/block_store.h"
#include "support/register_fixture.h"
#include "support/window_fixture.h"
#include "ui/login/login_window.h"
#include "ui/main/main_window.h"
#include "ui/records/add_window.h"
#include "ui/records/detail_window.h"
#include "ui/settings/settings_window.h"
#include "ui/toolkit/data_grid.h"
#include "support/failure_plan.h"

namespace sitora::ui {
namespace {

class HostileFiles : public test::WindowTest {};

TEST_F(HostileFiles, DamagedRegistersAreReportedAtFirstShowAndLeftAsTheyWere) {
    std::string truncated = test::ReadFile(program_ / "db.mdb");
    truncated.resize(truncated.size() / 3);
    const std::string no_tables = [&] {
        test::TempFolder other;
        data::TDataModule1 module;
        test::WriteFile(other / "x.mdb", "");
        module.ADOConnection1.SetConnectionString("Data Source=" + (other / "x.mdb").string());
        module.ADOQuery4.SetSQL("create table other(x)");
        module.ADOQuery4.ExecSQL();
        module.ADOConnection1.Close();
        return test::ReadFile(other / "x.mdb");
    }();
    for (const std::string& content : {std::string(), truncated, std::string(10000, '\xA5'), no_tables}) {
        test::WriteFile(program_ / "db.mdb", content);
        boxes_.shown.clear();
        end_requests_ = 0;
        LogIn();
        EXPECT_TRUE(boxes_.LastText().startsWith("数据库接连失败")) << content.size();
        EXPECT_EQ(end_requests_, 1);
        EXPECT_EQ(test::ReadFile(program_ / "db.mdb"), content);
        windows_.reset();
    }
}

TEST_F(HostileFiles, ALostRegisterIsRecoveredFromItsBackupAtTheFirstShow) {
    std::filesystem::rename(program_ / "db.mdb", program_ / "tempdb.mdb");
    LogIn();
    EXPECT_TRUE(boxes_.shown.empty());
    EXPECT_EQ(end_requests_, 0);
    EXPECT_TRUE(module_->ADOConnection1.Connected());
    EXPECT_FALSE(std::filesystem::exists(program_ / "tempdb.mdb"));
}

TEST_F(HostileFiles, SettingsWithoutRowsOrWithTextFailTheCounterRefreshOnly) {
    LogIn();
    for (const char* statement : {"delete from t_set", "insert into t_set values('many','days')"}) {
        data::TDataModule1 module;
        module.SetUpConnection(program_.ProgramFolder());
        module.ADOQuery4.SetSQL(statement);
        module.ADOQuery4.ExecSQL();
        Click(windows_->Form1(), "BitBtn8");
        EXPECT_EQ(boxes_.LastText(), "查询失败");
    }
    Click(windows_->Form1(), "BitBtn1");
    EXPECT_EQ(Text(windows_->Form1(), "Label3"), "0");
}

TEST_F(HostileFiles, CarriersWithLyingTrailersLoadNothing) {
    test::WriteFile(program_ / "key.exe", std::string("MZ\x90\x00garbage\xFF\xFF\xFF\x7F", 15));
    test::WriteFile(program_ / "sk.exe", std::string("\x03\x00\x00\x00", 4));
    LogIn();  // the empty password logs in: no value could be loaded
    EXPECT_EQ(context_->data_key.View(), "");
    EXPECT_TRUE(boxes_.shown.empty());
    EXPECT_EQ(test::ReadFile(program_ / "key.exe").size(), 15u);
}

TEST_F(HostileFiles, AFullPrivateFolderRefusesTheLoginAndNeverLoadsAnEmptyKey) {
    ASSERT_TRUE(protect::StoreValue("secret", program_ / "key.exe", private_ / "p.txt"));
    ASSERT_TRUE(protect::StoreValue("data key", program_ / "sk.exe", private_ / "s.txt"));
    StartWindows();
    files::InjectFaultForTesting(1, ENOSPC, true);
    windows_->Form6()->show();
    files::ClearFaultsForTesting();
    EXPECT_TRUE(boxes_.LastText().startsWith("软件出错,请检查是否缺少必要的文件"));
    EXPECT_EQ(end_requests_, 1);

    // The same at the main window's first show: the data key is never taken as empty.
    windows_.reset();
    boxes_.shown.clear();
    end_requests_ = 0;
    StartWindows();
    windows_->Form6()->show();
    Type(windows_->Form6(), "Edit1", "secret");
    files::InjectFaultForTesting(1, ENOSPC, true);
    Click(windows_->Form6(), "BitBtn1");
    files::ClearFaultsForTesting();
    EXPECT_TRUE(boxes_.LastText().startsWith("数据库接连失败"));
    EXPECT_EQ(end_requests_, 1);
    EXPECT_EQ(context_->data_key.View(), "");
}

TEST_F(HostileFiles, AFailedCarrierWriteShowsNothingAndTheOldValuesStillWork) {
    ASSERT_TRUE(protect::StoreValue("oldpass1", program_ / "key.exe", private_ / "p.txt"));
    ASSERT_TRUE(protect::StoreValue("oldkey12", program_ / "sk.exe", private_ / "s.txt"));
    const std::string key_carrier = test::ReadFile(program_ / "key.exe");
    const std::string data_key_carrier = test::ReadFile(program_ / "sk.exe");
    StartWindows();
    TForm6* login = windows_->Form6();
    login->show();
    Click(login, "BitBtn2");
    Type(login, "Edit2", "oldpass1");
    Type(login, "Edit3", "newpass1");
    Type(login, "Edit4", "newpass1");
    files::InjectFaultForTesting(2, ENOSPC);  // the carrier's write, after the transfer file's
    Click(login, "Button1");
    files::ClearFaultsForTesting();
    EXPECT_TRUE(boxes_.shown.empty());
    EXPECT_EQ(login->width(), TForm6::kWideWidth);
    EXPECT_EQ(test::ReadFile(program_ / "key.exe"), key_carrier);

    Type(login, "Edit1", "oldpass1");
    Click(login, "BitBtn1");
    ASSERT_EQ(context_->data_key.View(), "oldkey12");
    windows_->Form5()->show();
    Type(windows_->Form5(), "Edit1", "oldkey12");
    Type(windows_->Form5(), "Edit2", "newkey12");
    Type(windows_->Form5(), "Edit3", "newkey12");
    files::InjectFaultForTesting(2, ENOSPC);
    Click(windows_->Form5(), "BitBtn4");
    files::ClearFaultsForTesting();
    EXPECT_TRUE(boxes_.shown.empty());
    EXPECT_EQ(end_requests_, 0);
    EXPECT_EQ(test::ReadFile(program_ / "sk.exe"), data_key_carrier);
    EXPECT_EQ(protect::LoadValue(program_ / "sk.exe", private_ / "t.txt"), "oldkey12");
}

TEST_F(HostileFiles, AReadOnlyProgramFolderRefusesEveryWriteWithItsMessage) {
    // Every write of the program and of SQLite is refused as a read-only file system would
    // refuse it (also for root, whom permissions do not bind).
    data::UseFaultInjectingFileLayer();
    LogIn();
    const std::string before = test::ReadFile(program_ / "db.mdb");
    module_->ADOConnection1.Close();
    files::InjectFaultForTesting(1, EROFS, true);
    Click(windows_->Form1(), "BitBtn2");
    Type(windows_->Form2(), "Edit1", "123456");
    Type(windows_->Form2(), "Edit3", "readonly.com");
    Click(windows_->Form2(), "BitBtn1");
    EXPECT_EQ(boxes_.LastText(), "数据添加失败");
    windows_->Form5()->show();
    Click(windows_->Form5(), "BitBtn3");
    EXPECT_TRUE(boxes_.LastText().startsWith("压缩数据库出错"));
    files::ClearFaultsForTesting();
    EXPECT_EQ(test::ReadFile(program_ / "db.mdb"), before);
    for (const char* name : {"newdb.mdb", "tempdb.mdb", "tempdb.mdb.part"})
        EXPECT_FALSE(std::filesystem::exists(program_ / name)) << name;
}

class HostileInput : public test::WindowTest {};

TEST_F(HostileInput, EveryKindOfTextIsStoredAndShownExactlyAsTyped) {
    ASSERT_TRUE(protect::StoreValue(text::ToCp936("钥匙"), program_ / "sk.exe", private_ / "s.txt"));
    LogIn();
    const QString values[] = {
        "o'brien\"s \\path\\ 100% a_b #1#",
        "x'); drop table t_webinfo; --",
        "😀 emoji and 한국어 and Ω",
        QString("ctrl\x01in\x1fside"),
        QString(33000, QChar('m')),  // longer than a line edit takes by default
    };
    int serial = 0;
    for (const QString& value : values) {
        const QString number = QString("20110310%1").arg(100000 + serial++);
        const QString address = "addr" + number + value.left(40);
        Click(windows_->Form1(), "BitBtn2");
        TForm2* add = windows_->Form2();
        Type(add, "Edit1", number);
        Type(add, "Edit3", address);
        for (const char* field : {"Edit2", "Edit4", "Edit5", "Edit6", "Edit9", "Edit13", "Edit17"}) Type(add, field, value);
        // The remark takes a 1 MB text.
        const QString remark = value + "\n" + value + "\n" + QString("remark line\n").repeated(90000);
        Find<QPlainTextEdit>(add, "Memo1")->setPlainText(remark);
        Click(add, "BitBtn1");
        ASSERT_EQ(boxes_.LastText(), "数据库添加成功") << value.left(30).toStdString();
        Click(add, "BitBtn2");

        windows_->Form3()->OpenRecord(address, true);
        TForm3* detail = windows_->Form3();
        ASSERT_TRUE(detail->RecordLoaded());
        for (const char* field : {"Edit2", "Edit4", "Edit5", "Edit6", "Edit9", "Edit13", "Edit17"})
            EXPECT_EQ(Find<QLineEdit>(detail, field)->text(), value) << field;
        EXPECT_EQ(Find<QPlainTextEdit>(detail, "Memo1")->toPlainText(), remark);
        detail->close();
    }
    EXPECT_EQ(Text(windows_->Form1(), "Label3"), "5");
}

TEST_F(HostileInput, SearchKeywordsOfBlanksOrSqlFindNothingWrong) {
    InsertRecord(test::SampleRecord("100001", "a.com"));
    LogIn();
    Click(windows_->Form1(), "BitBtn1");
    Click(windows_->Form1(), "BitBtn9");
    Find<QComboBox>(windows_->Form1(), "ComboBox1")->setCurrentText("网站名称");
    for (const char* keyword : {"   ", "' or '1'='1", "%", "_"}) {
        Type(windows_->Form1(), "Edit1", keyword);
        Click(windows_->Form1(), "BitBtn10");
        EXPECT_TRUE(boxes_.shown.empty()) << keyword;
    }
    Find<QComboBox>(windows_->Form1(), "ComboBox1")->setCurrentText("域名到期日期");
    Type(windows_->Form1(), "Edit1", "   ");
    Click(windows_->Form1(), "BitBtn10");
    EXPECT_EQ(boxes_.LastText().left(4), "查询失败");
}

TEST_F(HostileInput, AFailingDiskShowsTheFailureNeverTheSuccess) {
    data::UseFaultInjectingFileLayer();
    LogIn();
    Click(windows_->Form1(), "BitBtn2");
    TForm2* add = windows_->Form2();
    int successes = 0;
    for (int call = 1; call < 40; ++call) {
        Type(add, "Edit1", QString::number(200000 + call));
        Type(add, "Edit3", QString("fault%1.com").arg(call));
        files::InjectFaultForTesting(call, ENOSPC, true);
        Click(add, "BitBtn1");
        files::ClearFaultsForTesting();
        const bool stored = [&] {
            data::TDataModule1 module;
            module.SetUpConnection(program_.ProgramFolder());
            module.ADOQuery2.SetSQL(data::sql::AddressExists(QString("fault%1.com").arg(call).toStdString()));
            module.ADOQuery2.Open();
            return module.ADOQuery2.RecordCount() == 1;
        }();
        EXPECT_EQ(boxes_.LastText() == "数据库添加成功", stored) << call;
        EXPECT_TRUE(boxes_.LastText() == "数据库添加成功" || boxes_.LastText() == "数据添加失败") << call;
        successes += stored;
        module_->ADOConnection1.Close();
    }
    EXPECT_GT(successes, 0);
}

}  // namespace
}  // namespace sitora::ui
