// Reading Access files through libmdb: the files Access itself wrote, and our own Jet 4 files.
#include "data/access/access_reader.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>

#include "data/data_error.h"
#include "support/jet4_writer.h"
#include "support/temp_folder.h"
#include "support/windows_register.h"

namespace sitora::data {
namespace {

const std::filesystem::path kFixtures = SITORA_ACCESS_FIXTURES;

bool HaveFixtures() { return std::filesystem::exists(kFixtures / "nwind.mdb"); }

const AccessValue& Cell(const AccessTable& table, std::size_t row, std::string_view column) {
    return table.rows.at(row).at(static_cast<std::size_t>(table.ColumnIndex(column)));
}

TEST(AccessReader, ReadsJet3TextInTheFilesCodePage) {
    if (!HaveFixtures()) GTEST_SKIP() << "no Access samples at " << kFixtures;
    AccessFile file(kFixtures / "nwind.mdb");
    EXPECT_EQ(file.JetVersion(), 3);
    const auto& names = file.TableNames();
    EXPECT_NE(std::find(names.begin(), names.end(), "Umsätze"), names.end());
    const auto customers = file.ReadTable("CUSTOMERS");  // names match without regard to case
    ASSERT_TRUE(customers);
    EXPECT_EQ(customers->rows.size(), 91u);
    EXPECT_EQ(Cell(*customers, 1, "City").text, "México D.F.");
    EXPECT_EQ(*Cell(*customers, 1, "City").bytes, "M\xE9xico D.F.");  // as stored, code page 1252
    EXPECT_FALSE(file.ReadTable("t_webinfo"));
}

TEST(AccessReader, ReadsDatesFromTheRowWhateverTheirYear) {
    if (!HaveFixtures()) GTEST_SKIP() << "no Access samples at " << kFixtures;
    AccessFile file(kFixtures / "DateTestDatabase.mdb");
    EXPECT_EQ(file.JetVersion(), 4);
    const auto dates = file.ReadTable("DateTest");
    ASSERT_TRUE(dates);
    ASSERT_EQ(dates->rows.size(), 6u);
    EXPECT_EQ(Cell(*dates, 0, "DateCol").day, test::JetDay(2021, 12, 2));
    EXPECT_EQ(Cell(*dates, 1, "DateCol").day, test::JetDay(9999, 1, 1));
    EXPECT_LT(Cell(*dates, 2, "DateCol").day, 0);     // before 1900
    EXPECT_LT(Cell(*dates, 3, "DateCol").day, -328716);  // before the year 1000
    EXPECT_EQ(Cell(*dates, 5, "LongTextCol").text, "New line\r\nin field");
}

TEST(AccessReader, ReadsOurJet4FilesAndRefusesDamagedOnes) {
    test::TempFolder folder;
    using test::JetType;
    test::JetTable table{"T_WebInfo", {{"web_name", JetType::kText}, {"web_time", JetType::kDateTime},
                                       {"web_remark", JetType::kMemo}, {"n", JetType::kLong}}, {}};
    table.rows.push_back({std::string("中文网站"), test::JetDay(2010, 1, 5), std::string("一\r\n二"), 7});
    table.rows.push_back({std::monostate{}, std::monostate{}, std::monostate{}, std::monostate{}});
    for (int i = 0; i < 30; ++i) table.rows.push_back({std::string(200, 'x'), 1.5, std::string("r"), i});
    test::WriteJet4(folder / "a.mdb", {table, {"empty", {{"a", JetType::kText}}, {}}});

    AccessFile file(folder / "a.mdb");
    const auto read = file.ReadTable("t_webinfo");
    ASSERT_TRUE(read);
    ASSERT_EQ(read->rows.size(), 32u);
    EXPECT_EQ(Cell(*read, 0, "web_name").text, "中文网站");
    EXPECT_EQ(Cell(*read, 0, "web_time").day, test::JetDay(2010, 1, 5));
    EXPECT_EQ(Cell(*read, 0, "web_remark").text, "一\r\n二");
    EXPECT_EQ(Cell(*read, 0, "n").text, "7");
    EXPECT_EQ(Cell(*read, 1, "web_time").kind, AccessValue::Kind::kNull);
    EXPECT_EQ(Cell(*read, 1, "n").kind, AccessValue::Kind::kNull);
    EXPECT_EQ(file.ReadTable("EMPTY")->rows.size(), 0u);

    // Cut after the first data page of the table: its row count no longer matches.
    std::string bytes = test::ReadFile(folder / "a.mdb");
    test::WriteFile(folder / "cut.mdb", bytes.substr(0, bytes.size() - 4096 * 4));
    test::WriteFile(folder / "odd.mdb", bytes.substr(0, bytes.size() - 100));
    test::WriteFile(folder / "none.mdb", "SQLite format 3");
    EXPECT_THROW(AccessFile(folder / "odd.mdb"), DataError);
    EXPECT_THROW(AccessFile(folder / "none.mdb"), DataError);
    EXPECT_THROW(AccessFile(folder / "missing.mdb"), DataError);
    EXPECT_THROW(
        {
            AccessFile cut(folder / "cut.mdb");
            cut.ReadTable("t_webinfo");
        },
        DataError);
}

// mdbtools' own command-line reader agrees on what our test registers hold.
TEST(AccessReader, OurTestRegistersReadTheSameInMdbExport) {
    if (std::system("mdb-export --version >/dev/null 2>&1") != 0) GTEST_SKIP() << "mdb-export is not installed";
    test::TempFolder folder;
    test::WriteWindowsRegister(folder / "db.mdb", {{test::WindowsRecord("20100101000001", "a.com")}, "k", true});
    const std::string command = "mdb-export -T '%Y-%m-%d' " + (folder / "db.mdb").string() + " t_webinfo";
    std::FILE* pipe = popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::string csv;
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) csv.append(buffer, n);
    ASSERT_EQ(pclose(pipe), 0);
    EXPECT_EQ(csv.substr(0, csv.find(',', 3)), "id,web_id");
    EXPECT_NE(csv.find("\"20100101000001\",\"中文网站20100101000001\",\"a.com\""), std::string::npos) << csv;
    EXPECT_NE(csv.find("\"2011-03-01\""), std::string::npos);
    EXPECT_NE(csv.find("\"第一行\r\n第二行\""), std::string::npos);
}

}  // namespace
}  // namespace sitora::data
