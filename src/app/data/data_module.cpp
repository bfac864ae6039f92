#include "app/data/data_module.h"

#include "app/data/ado_connection.h"
#include "app/data/catalogue/statements.h"

namespace sitora::data {

TDataModule1::TDataModule1() {
    // The stored default names db.mdb relative to the current folder; the main window's
    // first show replaces it before any query runs.
    ADOConnection1.SetConnectionString(
        "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=db.mdb;Persist Security Info=False");
    ADOQuery1.SetSQL(sql::kList);
}

void TDataModule1::SetUpConnection(const std::string& program_folder) {
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

}  // namespace sitora::data
