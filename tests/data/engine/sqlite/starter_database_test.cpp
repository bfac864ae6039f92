#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/wait.h>

#include "data/data_error.h"
#include "data/engine/sqlite/sqlite_schema.h"
#include "support/register_fixture.h"

namespace sitora::data {
namespace {

TEST(StarterDatabase, HasBothTablesAndTheDefaultLeadTimes) {
    test::TempFolder folder;
    CreateStarterDatabase(folder / "db.mdb");
    TDataModule1 module;
    module.SetUpConnection(folder.ProgramFolder());
    module.ADOQuery6.SetSQL("select web_alarm,domain_alarm from t_set");
    module.ADOQuery6.Open();
    ASSERT_EQ(module.ADOQuery6.RecordCount(), 1);
    EXPECT_EQ(AsString(module.ADOQuery6.Field(0)), "3");
    EXPECT_EQ(AsString(module.ADOQuery6.Field(1)), "3");
    module.ADOQuery1.Open();
    EXPECT_EQ(module.ADOQuery1.RecordCount(), 0);
}

TEST(StarterDatabase, AnOlderRegisterGainsItsIndexesAndALaterConnectionWritesNothing) {
    test::TempFolder folder;
    CreateStarterDatabase(folder / "db.mdb");
    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open((folder / "db.mdb").c_str(), &other), SQLITE_OK);
    const auto indexes = [other] {
        std::string names;
        sqlite3_exec(
            other, "select name from sqlite_master where type='index' order by name",
            [](void* out, int, char** values, char**) {
                *static_cast<std::string*>(out) += std::string(values[0]) + " ";
                return 0;
            },
            &names, nullptr);
        return names;
    };
    const std::string all = indexes();
    ASSERT_EQ(sqlite3_exec(other, "drop index i_webinfo_address_nocase; drop index i_webinfo_endtime", nullptr, nullptr, nullptr),
              SQLITE_OK);
    {
        TDataModule1 module;
        module.SetUpConnection(folder.ProgramFolder());
    }
    EXPECT_EQ(indexes(), all);
    // With every index there, connecting needs no write: it succeeds while another process
    // holds the register's write lock, and the file stays byte for byte.
    const std::string before = test::ReadFile(folder / "db.mdb");
    ASSERT_EQ(sqlite3_exec(other, "begin immediate", nullptr, nullptr, nullptr), SQLITE_OK);
    {
        TDataModule1 module;
        module.SetUpConnection(folder.ProgramFolder());
        module.ADOQuery1.Open();
    }
    sqlite3_exec(other, "rollback", nullptr, nullptr, nullptr);
    sqlite3_close(other);
    EXPECT_EQ(test::ReadFile(folder / "db.mdb"), before);
}

TEST(StarterDatabase, NeverReplacesAnExistingFile) {
    test::TempFolder folder;
    test::WriteFile(folder / "db.mdb", "my register");
    EXPECT_THROW(CreateStarterDatabase(folder / "db.mdb"), DataError);
    EXPECT_EQ(test::ReadFile(folder / "db.mdb"), "my register");
    // No temporary file is left behind.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path()), {}), 1);
}

TEST(StarterDatabase, CommandLineToolRefusesWithExitCodeTwo) {
    test::TempFolder folder;
    const std::string tool = SITORA_CLI_PATH;
    const std::string path = (folder / "db.mdb").string();
    auto run = [&](const std::string& args) {
        int status = std::system((tool + " " + args + " 2>/dev/null").c_str());
        return WEXITSTATUS(status);
    };
    EXPECT_EQ(run("newdb '" + path + "'"), 0);
    const std::string created = test::ReadFile(path);
    EXPECT_EQ(run("newdb '" + path + "'"), 2);
    EXPECT_EQ(test::ReadFile(path), created);
    EXPECT_EQ(run("newdb"), 2);
    EXPECT_EQ(run("nonsense"), 2);
}

}  // namespace
}  // namespace sitora::data
