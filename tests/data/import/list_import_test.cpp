// Lists from outside: read whatever their encoding and quoting, added under the add window's rules.
#include "data/import/list_import.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include "data/data_error.h"
#include "data/import/list_file.h"
#include "data/catalogue/statements.h"
#include "base/text/cp936.h"
#include "protect/record_reveal.h"
#include "support/register_fixture.h"
#include "support/test_server.h"

namespace sitora::data {
namespace {

const std::string kDates = "2010-1-1,2011-1-1,2010-1-1,2011-1-1";
const std::string kHeadings = "网站编号,网站地址,空间申请日期,空间到期日期,域名申请日期,域名到期日期";

TEST(ListFile, ReadsQuotedCellsLineBreaksAndEitherEncoding) {
    const std::string own_csv = text::ToCp936(
        "\"网站编号\";\"网站名称\";\"web_address\";\"网站空间购买日期：\";\"空间到期日期\";\"域名申请日期\";"
        "\"域名到期日期\";\"备注信息\"\r\n"
        "\"123456\";\"名称; \"\"引号\"\"\";\"a.com\";\"2010-1-1\";\"2011-1-1\";\"2010-1-1\";\"2011-1-1\";\"一\r\n二\"\r\n"
        "\r\n"
        "\"654321\";\"b\";\"b.com\";\"2010-1-1\";\"2011-1-1\";\"2010-1-1\";\"2011-1-1\";\"\"\r\n");
    const ListFile list = ReadListFile(own_csv);
    EXPECT_TRUE(list.code_page_936);
    EXPECT_EQ(list.separator, ';');
    ASSERT_EQ(list.rows.size(), 2u);
    EXPECT_EQ(list.rows[0].cells[1], "名称; \"引号\"");
    EXPECT_EQ(list.rows[0].cells[7], "一\r\n二");
    EXPECT_EQ(list.rows[1].line, 5u);  // counted across the line break inside the remark and the blank line

    const ListFile spreadsheet = ReadListFile("\xEF\xBB\xBF" + kHeadings + "\n123456,\"x,y\"," + kDates + "\n");
    EXPECT_FALSE(spreadsheet.code_page_936);
    EXPECT_EQ(spreadsheet.rows.at(0).cells[1], "x,y");
    const ListFile tabs = ReadListFile("网站编号\t网站地址\t空间申请日期\t空间到期日期\t域名申请日期\t域名到期日期\n1\t2\n");
    EXPECT_EQ(tabs.separator, '\t');

    auto error_of = [](const std::string& bytes) {
        try {
            ReadListFile(bytes);
        } catch (const DataError& error) {
            return std::string(error.what());
        }
        return std::string("read");
    };
    EXPECT_EQ(error_of(kHeadings + "\n1,a\n2,\x81\x7F\n"), "line 3 is neither UTF-8 nor code page 936");
    // UTF-8 headings and a code page 936 row ("Café" as a spreadsheet wrote it elsewhere).
    EXPECT_EQ(error_of(kHeadings + "\n1,a\n2,Caf\xA8\xA6\n"),
              "the file mixes UTF-8 with another encoding: line 3 is not UTF-8; save the whole file in one encoding");
    EXPECT_EQ(error_of("\xEF\xBB\xBF" + kHeadings + "\n\xB0\xA1\n"), "the file starts as UTF-8 but is not UTF-8 throughout");
    EXPECT_EQ(error_of(kHeadings + "\n123456,\"open\n"), "line 2: a quote is opened and never closed");
    EXPECT_EQ(error_of(kHeadings + ",序号\n").find("line 1: the heading \"序号\" names no column of the register; "), 0u);
    EXPECT_NE(error_of(kHeadings + ",序号\n").find("网站编号 (web_id)、网站名称 (web_name)"), std::string::npos);
    EXPECT_EQ(error_of("网站编号,网站地址\n"), "the first line names no column for web_time");
    EXPECT_EQ(error_of(""), "the file is empty");
}

TEST(ListFile, ALargeListIsReadInChunksWithoutLosingACharacterOrKeepingSurplusCells) {
    // Over 2 MiB of code page 936: chunks end inside rows, quoted cells and two-byte characters.
    std::string text = kHeadings + ",备注\n";
    std::vector<std::string> remarks;
    for (int i = 0; text.size() < (5u << 19); ++i) {
        remarks.push_back("第" + std::to_string(i) + "行，\n“引号”" + std::string(i % 7, 'x') + "站");
        text += std::to_string(100000 + i) + ",a" + std::to_string(i) + ".com," + kDates + ",\"" + remarks.back() + "\"\n";
    }
    text += "1,b.com," + kDates + ",," + std::string(200000, ',') + "surplus\n";
    const ListFile list = ReadListFile(text::ToCp936(text));
    EXPECT_TRUE(list.code_page_936);
    ASSERT_EQ(list.rows.size(), remarks.size() + 1);
    for (std::size_t i = 0; i < remarks.size(); ++i) ASSERT_EQ(list.rows[i].cells[6], remarks[i]) << i;
    EXPECT_EQ(list.rows[remarks.size() - 1].line, 2 * remarks.size());
    EXPECT_TRUE(list.rows.back().surplus);
    EXPECT_EQ(list.rows.back().cells.size(), 7u);  // no more cells kept than there are headings
}

class ListImport : public test::RegisterTest {
protected:
    ListImportResult Import(const std::string& rows, ListImportOptions options = {}) {
        return ImportList(module_, kHeadings + ",后台密码,域名用户\n" + rows, kKey, options);
    }
    int Records() { return std::stoi(Scalar("select count(*) from t_webinfo")); }
    const std::string kKey = text::ToCp936("密钥");
};

TEST_F(ListImport, TheTemplateTheDatesPeopleWriteAndRefusalsThatSayWhy) {
    // The template's headings are all accepted, and its example row goes in.
    const ListImportResult from_template = ImportList(module_, ListTemplate(), kKey, {.dry_run = true});
    EXPECT_EQ(from_template.accepted, 1u);
    EXPECT_TRUE(from_template.refused.empty());

    Insert(test::SampleRecord("100000", "Taken.com"));
    std::string rows = "100001,a.com,2027年3月1日,2027.3.1,2027/03/01,2027-3-1\n"
                       "100002,b.com,27-3-1,2027-3-1,2027-3-1,2027-3-1\n"
                       "100003,TAKEN.com," + kDates + "\n"
                       "100004,A.com," + kDates + "\n";
    for (int i = 0; i < 5; ++i) rows += "1,x" + std::to_string(i) + ".com," + kDates + "\n";
    const ListImportResult result = Import(rows, {.skip_refused = true});
    ASSERT_EQ(result.accepted, 1u);
    EXPECT_EQ(Scalar("select web_time from t_webinfo where web_id='100001'"), "2027-3-1");
    EXPECT_EQ(Scalar("select web_enddomaintime from t_webinfo where web_id='100001'"), "2027-3-1");
    const auto groups = GroupRefusals(result.refused);
    ASSERT_EQ(groups.size(), 4u);
    EXPECT_EQ(groups[0].reason, "日期无效：网站空间购买日期 \"27-3-1\"（年份须写四位数字）");
    EXPECT_EQ(groups[1].reason, "此网站地址已经存在（登记簿中已有 taken.com）");
    EXPECT_EQ(groups[2].reason, "此网站地址已经存在（与第 2 行相同）");
    EXPECT_EQ(LinesText(groups[3].lines), "第 6–10 行");
    EXPECT_EQ(LinesText({2, 3, 4, 7, 9, 11, 13, 15}, 3), "第 2–4、7、9 等 行");
}

TEST_F(ListImport, RowsAreCheckedInTheAddWindowsOrderAndGoInAllOrNothing) {
    Insert(test::SampleRecord("100000", "Taken.com"));
    const std::string rows =
        "123456,a.com," + kDates + ",pw,du\n"     // line 2: passes
        "12345,b.com," + kDates + ",,\n"          // 3: number too short
        "223456,TAKEN.com," + kDates + ",,\n"     // 4: address in the register
        "323456,A.COM," + kDates + ",,\n"         // 5: address of line 2
        "123456,c.com," + kDates + ",,\n"         // 6: number of line 2
        "423456,d.com,2010-2-31,2011-1-1,2010-1-1,2011-1-1,,\n"  // 7: no such day
        "523456,e.com,2012-1-1,2011-1-1,2010-1-1,2011-1-1,,\n"   // 8: space dates out of order
        "623456,f.com,2010-1-1,2011-1-1,2010-1-2,2010-1-1,,\n"   // 9: domain dates out of order
        "723456,g.com,1999-1-1,2011-1-1,2010-1-1,2011-1-1,,\n"   // 10: before the lists' years
        "823456,h.com," + kDates + ",,,surplus\n";               // 11: more cells than headings
    const ListImportResult refused = Import(rows);
    EXPECT_FALSE(refused.written);
    EXPECT_EQ(Records(), 1);
    const std::vector<std::pair<std::size_t, std::string>> expected = {
        {3, "网站编号不能为空,并且位数不能小于6位"}, {4, "此网站地址已经存在（登记簿中已有 taken.com）"},
        {5, "此网站地址已经存在（与第 2 行相同）"}, {6, "此网站编号已经存在（与第 2 行相同）"},
        {7, "日期无效：网站空间购买日期 \"2010-2-31\""},
        {8, "网站到期时间不能小网站申请日期"}, {9, "域名到期时间不能小域名申请日期"},
        {10, "日期无效：网站空间购买日期 \"1999-1-1\""}, {11, "单元格多于标题"}};
    ASSERT_EQ(refused.refused.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(refused.refused[i].line, expected[i].first);
        EXPECT_EQ(refused.refused[i].reason, expected[i].second);
    }

    EXPECT_EQ(Import(rows, {.dry_run = true, .skip_refused = true}).accepted, 1u);
    EXPECT_EQ(Records(), 1);
    const ListImportResult skipped = Import(rows, {.skip_refused = true});
    EXPECT_TRUE(skipped.written);
    EXPECT_EQ(Records(), 2);

    // The accounts are sealed under the register key, which only the data key opens.
    auto& query = module_.ADOQuery3;
    query.SetSQL(sql::LoadRecord("a.com"));
    query.Open();
    EXPECT_EQ(AsString(query.FieldByName("web_time")), "2010-1-1");
    const protect::ColumnReader column = [&](std::string_view c) { return query.FieldByName(c); };
    EXPECT_FALSE(protect::RevealAccounts(column, "123456", "", "a.com", nullptr));
    const auto accounts = protect::RevealAccounts(column, "123456", kKey, "a.com", module_.RegisterKey(kKey, false));
    ASSERT_TRUE(accounts);
    EXPECT_EQ(accounts->at("web_pass").view(), "pw");
    EXPECT_EQ(accounts->at("web_domainuser").view(), "du");
}

TEST_F(ListImport, ALongListGoesInChunksWholeOrNotAtAllAndLeavesTheRegisterAsItWas) {
    // Rows are checked on a second thread while earlier ones go in; a refusal late in the list
    // must still undo them all, and the register's indexes and checks must be back afterwards.
    std::string rows;
    for (int i = 0; i < 1500; ++i)
        rows += std::to_string(100000 + i) + ",站" + std::to_string(i) + ".com," + kDates + ",,\n";
    const std::string late_duplicate = "101399,again.com," + kDates + ",,\n";  // line 1502
    const ListImportResult refused = Import(rows + late_duplicate);
    EXPECT_FALSE(refused.written);
    ASSERT_EQ(refused.refused.size(), 1u);
    EXPECT_EQ(refused.refused[0].line, 1502u);
    EXPECT_EQ(Records(), 0);

    EXPECT_TRUE(Import(rows + late_duplicate, {.skip_refused = true}).written);
    EXPECT_EQ(Records(), 1500);
    EXPECT_EQ(Scalar("select web_address from t_webinfo where web_id='101499'"), "站1499.com");
    EXPECT_EQ(Scalar("select min(id) from t_webinfo where web_id='100000'"), Scalar("select min(id) from t_webinfo"));
    if (test::OnServer()) return;
    EXPECT_EQ(Scalar("select count(*) from sqlite_master where type='index' and name like 'i_webinfo_%'"), "5");
    EXPECT_EQ(Scalar("PRAGMA ignore_check_constraints"), "0");
    sqlite3* db = nullptr;
    sqlite3_open((folder_ / "db.mdb").c_str(), &db);
    sqlite3_extended_result_codes(db, 1);
    EXPECT_EQ(sqlite3_exec(db, "update t_webinfo set web_time='2010-1-1'", nullptr, nullptr, nullptr),
              SQLITE_CONSTRAINT_CHECK);
    sqlite3_close(db);
}

TEST_F(ListImport, ANulCellIsRefusedWithItsLineAndADryRunWaitsForNoWriter) {
    const std::string rows = "123456,a.com," + kDates + ",,\n" + "223456,b" + std::string(1, '\0') + "c.com," + kDates + ",,\n";
    // Another operator's import holds the register: a dry run only reads, so it goes on.
    TDataModule1 writer;
    writer.SetUpConnection(folder_.ProgramFolder());
    writer.ADOConnection1.BeginTransaction();
    const ListImportResult dry = Import(rows, {.dry_run = true});
    writer.ADOConnection1.RollbackTransaction();
    ASSERT_EQ(dry.refused.size(), 1u);
    EXPECT_EQ(dry.refused[0].line, 3u);
    EXPECT_EQ(dry.refused[0].reason, "单元格含有空字符 (NUL)");
    EXPECT_TRUE(Import(rows, {.skip_refused = true}).written);
    EXPECT_EQ(Records(), 1);
}

}  // namespace
}  // namespace sitora::data
