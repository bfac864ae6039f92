#include "support/window_fixture.h"

#include "base/text/cp936.h"
#include "protect/sealed_value.h"

#include "data/engine/sqlite/sqlite_schema.h"
#include "data/catalogue/statements.h"
#include "base/text/clock.h"
#include "ui/login/login_window.h"
#include "ui/main/main_window.h"

namespace sitora::test {

void WindowTest::SetUp() {
    data::CreateStarterDatabase(program_ / "db.mdb");
    WriteFile(program_ / "key.exe", "");
    WriteFile(program_ / "sk.exe", "");
}

void WindowTest::TearDown() {
    windows_.reset();
    context_.reset();
    module_.reset();
    text::SetClockForTesting({});
}

void WindowTest::StartWindows() {
    module_ = std::make_unique<data::TDataModule1>();
    context_ = std::make_unique<ui::AppContext>(ui::AppContext{
        QString::fromStdString(program_.ProgramFolder()), private_.path(), *module_, {boxes_, save_, urls_, open_},
        [this] { ++end_requests_; }, true});
    windows_ = std::make_unique<ui::WindowSet>(*context_);
}

void WindowTest::LogIn() {
    StartWindows();
    windows_->Form6()->show();
    Click(windows_->Form6(), "BitBtn1");
    ASSERT_TRUE(windows_->Form1()->isVisible());
}

void WindowTest::InsertRecord(const std::map<std::string, std::string>& record) {
    data::TDataModule1 module;
    module.SetUpConnection(program_.ProgramFolder());
    module.ADOQuery2.SetSQL(data::sql::kInsertRecord);
    for (const auto& [name, value] : record) module.ADOQuery2.SetParameter(name, value);
    module.ADOQuery2.ExecSQL();
}

std::string WindowTest::OpenedAccount(const std::string& column, const std::string& address,
                                      const std::string& data_key) {
    data::TDataModule1 module;
    module.SetUpConnection(program_.ProgramFolder());
    module.ADOQuery3.SetSQL(data::sql::LoadRecord(address));
    module.ADOQuery3.Open();
    const auto stored = module.ADOQuery3.RecordCount() ? module.ADOQuery3.FieldByName(column) : std::nullopt;
    const protect::SecretBytes* key = module.RegisterKey(text::ToCp936(data_key), false);
    const auto opened = stored && key ? protect::OpenValue(*key, column, address, *stored) : std::nullopt;
    return opened ? std::string(opened->view()) : "<refused>";
}

}  // namespace sitora::test
