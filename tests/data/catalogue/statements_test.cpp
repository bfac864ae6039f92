// Every statement of the catalogue, run as the windows run it against a real register.
#include "data/catalogue/statements.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include "data/data_error.h"
#include "data/engine/sqlite/sqlite_schema.h"
#include "data/statement_translation.h"
#include "support/register_fixture.h"
#include "support/test_server.h"

namespace sitora::data {
namespace {

using test::RegisterTest;
using test::SampleRecord;

int CountRows(TADOQuery& query, std::string_view statement, std::string_view parameter = {},
              std::string value = {}) {
    query.SetSQL(statement);
    if (!parameter.empty()) query.SetParameter(parameter, std::move(value));
    query.Open();
    int count = query.RecordCount();
    query.Close();
    return count;
}

class Statements : public RegisterTest {};

TEST_F(Statements, InsertStoresAllTwentyThreeColumnsAndDetailLoadReadsThem) {
    Insert(SampleRecord("20110310080509", "shop.example.com"));
    auto& query = module_.ADOQuery3;
    query.SetSQL(sql::LoadRecord("shop.example.com"));
    query.Open();
    ASSERT_EQ(query.RecordCount(), 1);
    const auto expected = SampleRecord("20110310080509", "shop.example.com");
    for (const auto& [column, value] : expected) {
        if (column.find("time") != std::string::npos) continue;
        EXPECT_EQ(AsString(query.FieldByName(column)), value) << column;
    }
    // Dates come back in the short date format whatever form they were written in.
    EXPECT_EQ(AsString(query.FieldByName("web_time")), "2010-1-1");
    EXPECT_EQ(AsString(query.FieldByName("web_enddomaintime")), "2012-1-1");
    EXPECT_FALSE(AsString(query.FieldByName("id")).empty());
}

TEST_F(Statements, InsertWithAMissingParameterFails) {
    auto record = SampleRecord("1", "a.com");
    record.erase("web_remark");
    EXPECT_THROW(Insert(record), DataError);
    EXPECT_EQ(Scalar("select count(*) from t_webinfo"), "0");
}

TEST_F(Statements, InvalidDateIsRefusedAndNothingIsStored) {
    for (const char* bad : {"2010-2-31", "abc", ""}) {
        auto record = SampleRecord("1", "a.com");
        record["web_time"] = bad;
        EXPECT_THROW(Insert(record), DataError) << bad;
    }
    EXPECT_EQ(Scalar("select count(*) from t_webinfo"), "0");
}

TEST_F(Statements, DuplicateLookupsFindAddressAndNumberEvenWithQuotes) {
    Insert(SampleRecord("0'1", "o'brien.com"));
    auto& query = module_.ADOQuery2;
    EXPECT_EQ(CountRows(query, sql::AddressExists("o'brien.com")), 1);
    EXPECT_EQ(CountRows(query, sql::AddressExists("obrien.com")), 0);
    EXPECT_EQ(CountRows(query, sql::NumberExists("0'1")), 1);
    // A quote cannot widen the look-up to other rows.
    EXPECT_EQ(CountRows(query, sql::AddressExists("x' or '1'='1")), 0);
    EXPECT_EQ(CountRows(module_.ADOQuery3, sql::LoadRecord("o'brien.com")), 1);
}

TEST_F(Statements, SectionUpdatesChangeOnlyTheirColumnsOfTheNamedRecord) {
    Insert(SampleRecord("1", "a.com"));
    Insert(SampleRecord("2", "b.com"));
    auto& query = module_.ADOQuery4;

    query.SetSQL(sql::kUpdateSite);
    for (const char* column : {"web_name", "web_login", "web_user", "web_pass", "web_ip", "web_domain",
                               "web_domainuser", "web_domainpass", "web_linkman", "web_size"})
        query.SetParameter(column, "new");
    query.SetParameter("web_address", "a.com");
    EXPECT_EQ(query.ExecSQL(), 1);

    query.SetSQL(sql::kUpdateDatabase);
    for (const char* column : {"web_dbname", "web_dbsize", "web_dbip", "web_dbuser", "web_dbpass", "web_dbtype"})
        query.SetParameter(column, "db2");
    query.SetParameter("web_address", "a.com");
    EXPECT_EQ(query.ExecSQL(), 1);

    query.SetSQL(sql::kUpdateDates);
    query.SetParameter("web_time", "2009-12-31");
    query.SetParameter("web_endtime", "2013-2-3");
    query.SetParameter("web_domaintime", "2009-1-1");
    query.SetParameter("web_enddomaintime", "2014-01-02");
    query.SetParameter("web_address", "a.com");
    EXPECT_EQ(query.ExecSQL(), 1);

    query.SetSQL(sql::kUpdateRemark);
    query.SetParameter("web_remark", "");
    query.SetParameter("web_address", "a.com");
    EXPECT_EQ(query.ExecSQL(), 1);

    query.SetSQL(sql::kUpdateRemark);
    query.SetParameter("web_remark", "x");
    query.SetParameter("web_address", "nowhere.com");
    EXPECT_EQ(query.ExecSQL(), 0);

    EXPECT_EQ(Scalar("select web_name||web_dbtype from t_webinfo where web_id='1'"), "newdb2");
    EXPECT_EQ(Scalar("select web_domainuser from t_webinfo where web_id='1'"), "new");
    EXPECT_EQ(Scalar("select web_endtime from t_webinfo where web_id='1'"), "2013-2-3");
    EXPECT_EQ(Scalar("select web_enddomaintime from t_webinfo where web_id='1'"), "2014-1-2");
    EXPECT_EQ(Scalar("select web_remark from t_webinfo where web_id='1'"), "");
    // The other record is untouched, and the number and address never change.
    EXPECT_EQ(Scalar("select web_name||web_dbtype||web_remark from t_webinfo where web_id='2'"),
              "站点2MySQL备注\r\n第二行");
    EXPECT_EQ(Scalar("select web_address from t_webinfo where web_id='1'"), "a.com");
}

TEST_F(Statements, LeadTimesAreReadFromTheFirstRowAndStoredInEveryRow) {
    EXPECT_EQ(CountRows(module_.ADOQuery6, sql::kLeadTimes), 1);
    Scalar("select 1");
    // An older db.mdb may hold a second row; a server register holds one.
    const int rows = test::OnServer() ? 1 : 2;
    if (rows == 2) {
        module_.ADOQuery4.SetSQL("insert into t_set(web_alarm,domain_alarm) values(9,9)");
        module_.ADOQuery4.ExecSQL();
    }

    auto& query = module_.ADOQuery6;
    query.SetSQL(sql::kStoreLeadTimes);
    query.SetParameter("web_alarm", "5");
    query.SetParameter("domain_alarm", "17");
    EXPECT_EQ(query.ExecSQL(), rows);

    query.SetSQL(sql::kLeadTimes);
    query.Open();
    EXPECT_EQ(query.RecordCount(), rows);
    EXPECT_EQ(AsString(query.FieldByName("web_alarm")), "5");
    EXPECT_EQ(AsString(query.FieldByName("domain_alarm")), "17");
    query.Next();
    EXPECT_EQ(AsString(query.Field(0)), "5");
}

TEST_F(Statements, DueCountsCompareAsDatesAroundTheThreshold) {
    // Space ends before, on and after the threshold 2011-3-13, written in both forms.
    InsertDates("1", "2011-3-12", "2012-1-1");
    InsertDates("2", "2011-03-13", "2012-1-1");
    InsertDates("3", "2011-3-14", "2012-1-1");
    InsertDates("4", "2010-12-31", "2011-10-2");
    // Text order would put "2011-10-2" before "2011-3-13"; date order must not.
    for (const char* threshold : {"2011-3-13", "2011-03-13"}) {
        EXPECT_EQ(CountRows(module_.ADOQuery4, sql::kSpaceDue, "web_endtime", threshold), 3) << threshold;
        EXPECT_EQ(CountRows(module_.ADOQuery4, sql::kDomainDue, "web_enddomaintime", threshold), 0);
    }
    EXPECT_EQ(CountRows(module_.ADOQuery4, sql::kDomainDue, "web_enddomaintime", "2011-10-2"), 1);
    EXPECT_EQ(CountRows(module_.ADOQuery4, sql::kSpaceDue, "web_endtime", "2000-1-1"), 0);
    EXPECT_THROW(CountRows(module_.ADOQuery4, sql::kSpaceDue, "web_endtime", "Edit2"), DataError);
}

TEST_F(Statements, ExpiryListUsesDateLiteralsAndItsOwnColumnOrder) {
    InsertDates("1", "2011-3-13", "2099-1-1");  // space due
    InsertDates("2", "2099-1-1", "2011-3-15");  // domain due
    InsertDates("3", "2011-3-14", "2011-3-16");  // neither
    auto& query = module_.ADOQuery5;
    query.SetSQL(sql::ExpiryList("2011-3-13", "2011-03-15"));
    query.Open();
    ASSERT_EQ(query.RecordCount(), 2);
    EXPECT_EQ(query.FieldName(4), "web_linkman");
    EXPECT_EQ(AsString(query.Field(0)), "1");
    query.Next();
    EXPECT_EQ(AsString(query.Field(0)), "2");
    EXPECT_EQ(AsString(query.FieldByName("web_enddomaintime")), "2011-3-15");

    query.SetSQL(sql::ExpiryList("Edit2", "Edit3"));
    EXPECT_THROW(query.Open(), DataError);
    query.SetSQL(sql::ExpiryList("2011-3-13#' or 1=1 or '", "2011-3-15"));
    EXPECT_THROW(query.Open(), DataError);
}

// The register's file through a connection of its own, as another tool would write it.
void Raw(const std::filesystem::path& database, const std::string& sql) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(database.c_str(), &db), SQLITE_OK);
    char* error = nullptr;
    EXPECT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &error), SQLITE_OK) << (error ? error : "");
    sqlite3_free(error);
    sqlite3_close(db);
}

TEST_F(Statements, LookUpsIgnoreCaseThroughTheirIndexesAndUnsortedRowsComeInTableOrder) {
    Insert(SampleRecord("AB100001", "example.com"));
    EXPECT_EQ(CountRows(module_.ADOQuery2, sql::AddressExists("Example.COM")), 1);
    EXPECT_EQ(CountRows(module_.ADOQuery2, sql::NumberExists("ab100001")), 1);
    EXPECT_EQ(CountRows(module_.ADOQuery3, sql::LoadRecord("EXAMPLE.com")), 1);
    if (!test::OnServer()) {  // the server's plan is checked with its own tests
        std::string plan;
        sqlite3* db = nullptr;
        sqlite3_open((folder_ / "db.mdb").c_str(), &db);
        sqlite3_exec(
            db,
            ("explain query plan " + TranslateStatement(sql::AddressExists("Example.COM"))).c_str(),
            [](void* out, int, char** values, char**) {
                *static_cast<std::string*>(out) += values[3];
                return 0;
            },
            &plan, nullptr);
        sqlite3_close(db);
        EXPECT_NE(plan.find("i_webinfo_address_nocase"), std::string::npos) << plan;
    }

    // The expiry list reads two indexes; its rows still come in the order they were added.
    InsertDates("3", "2011-3-12", "2099-1-1");
    InsertDates("1", "2099-1-1", "2011-3-01");
    InsertDates("2", "2011-3-05", "2099-1-1");
    auto& query = module_.ADOQuery5;
    query.SetSQL(sql::ExpiryList("2011-3-13", "2011-3-13"));
    query.Open();
    std::string order;
    for (query.First(); !query.Eof(); query.Next()) order += AsString(query.Field(0));
    EXPECT_EQ(order, "312");
}

TEST_F(Statements, DatesOtherToolsWroteCompareAsDatesAndOtherTextsAreNeverDue) {
    module_.ADOConnection1.Close();
    const auto database = folder_ / "db.mdb";
    // A new register takes only dates in their stored form.
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(database.c_str(), &db), SQLITE_OK);
    EXPECT_EQ(sqlite3_exec(db, "insert into t_webinfo(web_endtime) values('2024-9-30')", nullptr, nullptr, nullptr),
              SQLITE_CONSTRAINT);
    EXPECT_EQ(sqlite3_exec(db, "insert into t_webinfo(web_endtime) values('2024-02-30')", nullptr, nullptr, nullptr),
              SQLITE_CONSTRAINT);
    sqlite3_close(db);
    // An older register holds what other tools wrote.
    Raw(database, "pragma ignore_check_constraints=1; insert into t_webinfo(web_id, web_endtime) values"
                  "('a', '2011-3-1'), ('b', '2011/3/2'), ('c', ''), ('d', 'soon'), ('e', '2011-03-04'), ('f', '2011-02-30')");
    module_.SetUpConnection(folder_.ProgramFolder());
    EXPECT_EQ(Scalar("select group_concat(web_endtime, '|') from (select web_endtime from t_webinfo order by rowid)"),
              "2011-03-01|2011-03-02||soon|2011-03-04|2011-02-30");
    EXPECT_EQ(CountRows(module_.ADOQuery4, sql::kSpaceDue, "web_endtime", "2011-3-5"), 3);
    EXPECT_EQ(CountRows(module_.ADOQuery5, sql::ExpiryList("2099-1-1", "2000-1-1")), 3);
}

TEST_F(Statements, ManyDatesOtherToolsWroteAreRewrittenInShortWritesOthersCanComeBetween) {
    module_.ADOConnection1.Close();
    const auto database = folder_ / "db.mdb";
    Raw(database, "pragma ignore_check_constraints=1; with recursive n(i) as (select 1 union all select i+1 from n "
                  "where i<60000) insert into t_webinfo(web_id, web_endtime) select i, '2024-9-30' from n;"
                  "insert into t_webinfo(web_id, web_time, web_endtime) values('x', 'soon', '2024-9-30')");
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(database.c_str(), &db), SQLITE_OK);
    int commits = 0;
    sqlite3_commit_hook(db, [](void* count) { return ++*static_cast<int*>(count), 0; }, &commits);
    StoreDatesInTheirForm(db);
    sqlite3_close(db);
    EXPECT_GE(commits, 2);
    module_.SetUpConnection(folder_.ProgramFolder());
    EXPECT_EQ(Scalar("select count(*) from t_webinfo where web_endtime='2024-09-30'"), "60001");
    EXPECT_EQ(Scalar("select web_time from t_webinfo where web_id='x'"), "soon");
}

TEST_F(Statements, ListReturnsNineColumnsInTableOrder) {
    for (const char* number : {"3", "1", "2"}) InsertDates(number, "2011-1-1", "2011-1-1");
    auto& list = module_.ADOQuery1;
    list.Open();
    ASSERT_EQ(list.FieldCount(), 9);
    EXPECT_EQ(list.FieldName(2), "web_address");
    EXPECT_EQ(list.FieldName(8), "web_linkman");
    std::string order;
    for (list.First(); !list.Eof(); list.Next()) order += AsString(list.Field(0));
    EXPECT_EQ(order, "312");
}

TEST_F(Statements, ProtectedColumnsKeepEveryByteValue) {
    std::string all_bytes;
    for (int b = 0; b < 256; ++b) all_bytes += static_cast<char>(b);
    auto record = SampleRecord("1", "a.com");
    for (auto column : kProtectedColumns) record[std::string(column)] = all_bytes;
    record["web_pass"] = "";
    Insert(record);
    auto& query = module_.ADOQuery3;
    query.SetSQL(sql::LoadRecord("a.com"));
    query.Open();
    for (auto column : kProtectedColumns) {
        auto value = query.FieldByName(column);
        ASSERT_TRUE(value.has_value()) << column;
        EXPECT_EQ(*value, column == "web_pass" ? std::string() : all_bytes) << column;
    }
}

TEST_F(Statements, AQueryReopensAClosedConnection) {
    module_.ADOQuery1.Open();
    module_.ADOConnection1.Close();
    EXPECT_FALSE(module_.ADOQuery1.Active());
    EXPECT_FALSE(module_.ADOConnection1.Connected());
    EXPECT_EQ(Scalar("select web_alarm from t_set"), "3");
    EXPECT_TRUE(module_.ADOConnection1.Connected());
}

TEST(Connection, MissingOrDamagedRegisterIsRefusedAndNeverCreated) {
    test::TempFolder folder;
    TDataModule1 module;
    EXPECT_THROW(module.SetUpConnection(folder.ProgramFolder()), DataError);
    EXPECT_FALSE(std::filesystem::exists(folder / "db.mdb"));

    test::WriteFile(folder / "db.mdb", std::string(4096, 'x'));
    EXPECT_THROW(module.SetUpConnection(folder.ProgramFolder()), DataError);
    EXPECT_EQ(test::ReadFile(folder / "db.mdb"), std::string(4096, 'x'));
}

TEST(Connection, ConnectionStringNamesTheProgramFolder) {
    EXPECT_EQ(ConnectionStringFor("/opt/Tools/"),
              "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=/opt/Tools/db.mdb;Persist Security Info=False");
    EXPECT_EQ(DataSourceOf(ConnectionStringFor("/opt/Tools/")), "/opt/Tools/db.mdb");
    EXPECT_THROW(DataSourceOf("Provider=x"), DataError);
    // Any bytes of a folder name the file in that folder, ';' and '"' included.
    for (std::string folder : {"/opt/a;Data Source=/etc/x;/", "/opt/\"q\";b/", " /lead/"})
        EXPECT_EQ(DataSourceOf(ConnectionStringFor(folder)), folder + "db.mdb") << folder;
}

}  // namespace
}  // namespace sitora::data
