#include "data/data_module.h"

#include "data/engine/engine.h"
#include "data/register_key_store.h"

#include "data/ado_connection.h"
#include "data/catalogue/statements.h"

namespace sitora::data {

TDataModule1::TDataModule1() {
    // The stored default names db.mdb relative to the current folder; the main window's
    // first show replaces it before any query runs.
    ADOConnection1.SetConnectionString(
        "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=db.mdb;Persist Security Info=False");
    ADOQuery1.SetSQL(sql::kList);
}

void TDataModule1::SetUpConnection(const std::string& program_folder) {
    opened_key_.reset();  // another register, another key
    ADOConnection1.Close();
    // A register.conf beside the carriers moves the register to a server.
    ADOConnection1.SetConnectionString(RegisterConnectionString(program_folder));
    ADOConnection1.Open();
    try {
        ADOConnection1.Register().PrepareRegister();
    } catch (...) {
        ADOConnection1.Close();
        throw;
    }
}

const protect::SecretBytes* TDataModule1::RegisterKey(std::string_view data_key, bool create) {
    if (!opened_key_ || opened_key_->data_key.view() != data_key) {
        auto key = OpenRegisterKey(ADOConnection1, data_key, create);
        // A register without a key yet is asked again next time: another process may make one.
        if (!key && !ADOConnection1.Register().ReadWrappedKey()) return nullptr;
        opened_key_ = OpenedKey{protect::SecretBytes(data_key), std::move(key)};
    }
    return opened_key_->register_key ? &*opened_key_->register_key : nullptr;
}

}  // namespace sitora::data
