#include "support/register_fixture.h"

#include "data/record_entry.h"

#include "data/engine/sqlite/sqlite_schema.h"
#include "data/catalogue/statements.h"
#include "support/test_server.h"

namespace sitora::test {

std::map<std::string, std::string> SampleRecord(const std::string& number, const std::string& address) {
    return {{"web_id", number},           {"web_name", "站点" + number},   {"web_address", address},
            {"web_login", address + "/admin"}, {"web_user", "u"},          {"web_pass", "p"},
            {"web_ip", "10.0.0.1"},       {"web_size", "100M"},           {"web_domain", "example.com"},
            {"web_domainuser", "du"},      {"web_domainpass", "dp"},       {"web_linkman", "张三"},
            {"web_dbname", "db"},          {"web_dbsize", "50M"},          {"web_dbip", "10.0.0.2"},
            {"web_dbuser", "dbu"},         {"web_dbpass", "dbp"},          {"web_domaintime", "2010-1-1"},
            {"web_enddomaintime", "2012-1-1"}, {"web_time", "2010-1-1"},   {"web_endtime", "2012-1-1"},
            {"web_remark", "备注\r\n第二行"}, {"web_dbtype", "MySQL"}};
}

void InsertSealedRecord(const std::string& program_folder, const std::string& number, const std::string& address,
                        const std::string& password, const std::string& data_key) {
    data::TDataModule1 module;
    module.SetUpConnection(program_folder);
    data::RecordEntry entry;
    for (const char* date : {"web_time", "web_endtime", "web_domaintime", "web_enddomaintime"}) entry[date] = "2010-1-1";
    entry["web_id"] = number;
    entry["web_address"] = address;
    entry["web_pass"] = password;
    const protect::SecretBytes* key = module.RegisterKey(data_key, true);
    ASSERT_NE(key, nullptr) << "the data key does not open the register key";
    data::InsertRecord(module.ADOQuery2, entry, *key);
}

void RegisterTest::SetUp() {
    data::CreateStarterDatabase(folder_ / "db.mdb");
    if (OnServer()) {
        if (!ServerDatabaseUri("postgres")) GTEST_SKIP() << "the test server is not running";
        MoveRegisterToServer(folder_.path());
    }
    module_.SetUpConnection(folder_.ProgramFolder());
}

void RegisterTest::Insert(const std::map<std::string, std::string>& record) {
    auto& query = module_.ADOQuery2;
    query.Close();
    query.SetSQL(data::sql::kInsertRecord);
    for (const auto& [name, value] : record) query.SetParameter(name, value);
    query.ExecSQL();
}

void RegisterTest::InsertDates(const std::string& number, const std::string& space_end,
                               const std::string& domain_end) {
    auto record = SampleRecord(number, "site" + number + ".com");
    record["web_endtime"] = space_end;
    record["web_enddomaintime"] = domain_end;
    Insert(record);
}

std::string RegisterTest::Scalar(const std::string& statement) {
    auto& query = module_.ADOQuery4;
    query.SetSQL(statement);
    query.Open();
    std::string value = data::AsString(query.Field(0));
    query.Close();
    return value;
}

}  // namespace sitora::test
