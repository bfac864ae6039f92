// The Windows version's register brought in: every record exactly, or nothing at all.
#include "data/access/access_import.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include "data/data_error.h"
#include "data/data_module.h"
#include "data/engine/sqlite/sqlite_schema.h"
#include "data/catalogue/statements.h"
#include "base/text/cp936.h"
#include "base/text/dates.h"
#include "protect/record_reveal.h"
#include "support/jet4_writer.h"
#include "support/temp_folder.h"
#include "support/windows_register.h"

namespace sitora::data {
namespace {

const std::string kKey = text::ToCp936("团队密钥");

class AccessImport : public ::testing::Test {
protected:
    std::vector<test::Record> WriteRegister(const std::filesystem::path& path, std::vector<test::Record> records,
                                            bool with_settings = true) {
        records_ = std::move(records);
        return test::WriteWindowsRegister(path, {records_, kKey, with_settings});
    }
    std::vector<test::Record> records_;
    test::TempFolder folder_;
};

TEST_F(AccessImport, EveryRecordArrivesInTableOrderWithItsAccountBytesAndPassesTheKeyTest) {
    auto second = test::WindowsRecord("20100101000002", "B.example.com");
    second["web_time"] = "";  // a date left empty stays empty
    const auto stored = WriteRegister(folder_ / "old.mdb", {test::WindowsRecord("20100101000001", "a.example.com"), second});

    const AccessImportReport report = ImportAccessRegister(folder_ / "old.mdb", folder_ / "db.mdb");
    EXPECT_EQ(report.records, 2u);
    EXPECT_EQ(report.settings_rows, 1u);

    TDataModule1 module;
    module.SetUpConnection(folder_.ProgramFolder());
    auto& query = module.ADOQuery3;
    for (std::size_t r = 0; r < 2; ++r) {
        query.SetSQL(sql::LoadRecord(records_[r]["web_address"]));
        query.Open();
        ASSERT_EQ(query.RecordCount(), 1);
        for (const auto& [column, value] : records_[r]) {
            if (IsProtectedColumn(column))
                EXPECT_EQ(AsString(query.FieldByName(column)), stored[r].at(column)) << column;
            else if (IsDateColumn(column) && !value.empty())
                EXPECT_EQ(text::ParseDate(AsString(query.FieldByName(column))), text::ParseDate(value)) << column;
            else
                EXPECT_EQ(AsString(query.FieldByName(column)), value) << column;
        }
        const auto accounts = protect::RevealAccounts([&](std::string_view c) { return query.FieldByName(c); },
                                                      text::ToCp936(records_[r]["web_id"]), kKey);
        ASSERT_TRUE(accounts);
        EXPECT_EQ(text::FromCp936(accounts->at("web_domainuser").view()), "域名用户");
        EXPECT_EQ(text::FromCp936(accounts->at("web_dbpass").view()), "数据库密码");
    }
    query.SetSQL(std::string(sql::kList));
    query.Open();
    EXPECT_EQ(AsString(query.Value(1, 2)), "B.example.com");  // table order
    module.ADOQuery6.SetSQL(std::string(sql::kLeadTimes));
    module.ADOQuery6.Open();
    EXPECT_EQ(AsString(module.ADOQuery6.Field(0)), "5");
    EXPECT_EQ(AsString(module.ADOQuery6.Field(1)), "7");
}

TEST_F(AccessImport, WhatCannotArriveExactlyIsNamedAndNothingIsCreated) {
    using test::JetType;
    test::JetTable table{"t_webinfo", {{"web_id", JetType::kText}, {"web_time", JetType::kDateTime},
                                       {"web_pass", JetType::kText}, {"web_endtime", JetType::kDateTime}}, {}};
    table.rows.push_back({std::string("123456"), test::JetDay(2010, 1, 1) + 0.5, std::string("ok"), 1.0});
    table.rows.push_back({std::string("654321"), 40000.0, std::string("한국"), test::JetDay(1999, 12, 31)});
    test::WriteJet4(folder_ / "old.mdb", {table});
    try {
        ImportAccessRegister(folder_ / "old.mdb", folder_ / "db.mdb");
        FAIL() << "imported";
    } catch (const DataError& error) {
        const std::string message = error.what();
        EXPECT_NE(message.find("record 1 (web_id 123456), web_time: the time of day 12:00:00"), std::string::npos);
        EXPECT_NE(message.find("record 2 (web_id 654321), web_pass"), std::string::npos) << message;
    }
    EXPECT_FALSE(std::filesystem::exists(folder_ / "db.mdb"));

    // A year outside the lists is kept and noted; a missing t_set starts at the default lead times.
    table.rows = {{std::string("123456"), test::JetDay(1999, 12, 31), std::string("ok"), std::monostate{}}};
    test::WriteJet4(folder_ / "old.mdb", {table});
    const auto report = ImportAccessRegister(folder_ / "old.mdb", folder_ / "db.mdb");
    EXPECT_EQ(report.records, 1u);
    ASSERT_GE(report.notes.size(), 2u);
    const std::string notes = [&] { std::string all; for (auto& n : report.notes) all += n + "\n"; return all; }();
    EXPECT_NE(notes.find("the year 1999"), std::string::npos);
    EXPECT_NE(notes.find("there is no table t_set"), std::string::npos);

    // An empty register arrives empty.
    WriteRegister(folder_ / "empty.mdb", {});
    EXPECT_EQ(ImportAccessRegister(folder_ / "empty.mdb", folder_ / "empty-new.mdb").records, 0u);

    // An existing file is never replaced.
    const std::string before = test::ReadFile(folder_ / "db.mdb");
    EXPECT_THROW(ImportAccessRegister(folder_ / "old.mdb", folder_ / "db.mdb"), DataError);
    EXPECT_EQ(test::ReadFile(folder_ / "db.mdb"), before);
}

TEST_F(AccessImport, AKilledConversionLeavesNothingForOthersAndTheNextRunTouchesNoUserFile) {
    WriteRegister(folder_ / "db.mdb", {test::WindowsRecord("20100101000001", "a.example.com")});
    test::WriteFile(folder_ / "db.converted.mdb", "the user's own file");
    // What a run killed before its rename left: a second name for the original, and its
    // half-built register under a scratch name of a process that has ended.
    ASSERT_EQ(link((folder_ / "db.mdb").c_str(), (folder_ / "db.jet.mdb").c_str()), 0);
    const pid_t ended = fork();
    if (ended == 0) _exit(0);
    waitpid(ended, nullptr, 0);
    const auto leftover = folder_ / (".db.converted.mdb.sitora-" + std::to_string(ended));
    test::WriteFile(leftover, "half a register");

    const auto conversion = ConvertJetRegister(folder_.path());
    ASSERT_TRUE(conversion);
    EXPECT_EQ(conversion->original, folder_ / "db.jet.mdb");
    EXPECT_EQ(test::ReadFile(folder_ / "db.converted.mdb"), "the user's own file");
    EXPECT_FALSE(std::filesystem::exists(leftover));
    EXPECT_FALSE(std::filesystem::exists(folder_ / "db.jet-2.mdb"));

    // A register is its owner's alone from its first byte, before it takes its name.
    CreateStarterDatabase(folder_ / "new.mdb", [&](sqlite3*) {
        for (const auto& entry : std::filesystem::directory_iterator(folder_.path())) {
            if (!entry.path().filename().string().starts_with(".new.mdb")) continue;
            EXPECT_EQ(std::filesystem::status(entry).permissions() & std::filesystem::perms::all,
                      std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
        }
    });

    // An Access db.mdb behind a link is not converted where it points; the message says what to do.
    test::TempFolder linked;
    WriteRegister(folder_ / "old.mdb", {});
    std::filesystem::create_symlink(folder_ / "old.mdb", linked / "db.mdb");
    try {
        ConvertJetRegister(linked.path());
        ADD_FAILURE() << "converted through a link";
    } catch (const DataError& error) {
        EXPECT_NE(std::string(error.what()).find("sitora-cli import-access"), std::string::npos) << error.what();
    }
    EXPECT_TRUE(std::filesystem::is_symlink(linked / "db.mdb"));
}

TEST_F(AccessImport, AJetDbMdbIsConvertedOnceAndItsOriginalKeptBesideIt) {
    WriteRegister(folder_ / "db.mdb", {test::WindowsRecord("20100101000001", "a.example.com")});
    const std::string original = test::ReadFile(folder_ / "db.mdb");
    test::WriteFile(folder_ / "db.jet.mdb", "an older file of the user's");

    const auto conversion = ConvertJetRegister(folder_.path());
    ASSERT_TRUE(conversion);
    EXPECT_EQ(conversion->original, folder_ / "db.jet-2.mdb");
    EXPECT_EQ(test::ReadFile(folder_ / "db.jet-2.mdb"), original);
    EXPECT_EQ(test::ReadFile(folder_ / "db.jet.mdb"), "an older file of the user's");
    EXPECT_FALSE(std::filesystem::exists(folder_ / "db.converted.mdb"));
    TDataModule1 module;
    module.SetUpConnection(folder_.ProgramFolder());
    EXPECT_FALSE(ConvertJetRegister(folder_.path()));  // an SQLite register is left alone

    // A Jet db.mdb that cannot be converted stays exactly as it was, under its name.
    test::TempFolder other;
    test::WriteJet4(other / "db.mdb", {{"t_webinfo", {{"web_id", test::JetType::kText},
                                                      {"web_time", test::JetType::kDateTime}},
                                        {{std::string("123456"), 40000.25}}}});
    const std::string refused = test::ReadFile(other / "db.mdb");
    EXPECT_THROW(ConvertJetRegister(other.path()), DataError);
    EXPECT_EQ(test::ReadFile(other / "db.mdb"), refused);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(other.path()), {}), 1);
}

}  // namespace
}  // namespace sitora::data
