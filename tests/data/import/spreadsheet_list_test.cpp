// Spreadsheets as lists: the program's own .xls comes back cell for cell; a damaged one, and a
// workbook that upsets libfreexl, are refused with a message (the reader's child takes the blow).
#include "data/import/spreadsheet_list.h"

#include <gtest/gtest.h>

#include "data/data_error.h"
#include "export/list_grids.h"
#include "export/xls_writer.h"
#include "support/temp_folder.h"

namespace sitora::data {
namespace {

std::string RefusalOf(const std::filesystem::path& path) {
    try {
        SpreadsheetAsList(path);
    } catch (const DataError& error) {
        return error.what();
    }
    return "read";
}

TEST(SpreadsheetList, TheOwnExportComesBackAndDamagedOrHostileFilesAreRefused) {
    test::TempFolder folder;
    gridexport::TableGrid grid(gridexport::CheckListGrid(),
                               {{"100001", "a.com", "a.com", "2027-5-1", "", "RDAP \"x\"", "日期一致", "", "逗号,在内"}});
    gridexport::SaveGridToExportFile(&gridexport::MakeWriter<gridexport::TGridExportAsXLS>, grid, folder / "own.xls", true);
    EXPECT_EQ(SpreadsheetAsList(folder / "own.xls"),
              "\"网站编号\",\"网站地址\",\"注册域名\",\"登记到期日期\",\"注册局到期日期\",\"来源\",\"域名状态\","
              "\"证书到期日期\",\"证书状态\"\r\n"
              "\"100001\",\"a.com\",\"a.com\",\"2027-5-1\",,\"RDAP \"\"x\"\"\",\"日期一致\",,\"逗号,在内\"\r\n");

    const std::string own = test::ReadFile(folder / "own.xls");
    test::WriteFile(folder / "cut.xls", own.substr(0, own.size() / 2));
    EXPECT_EQ(RefusalOf(folder / "cut.xls"), "the .xls file ends inside a record");
    EXPECT_NE(RefusalOf(SITORA_HOSTILE_WORKBOOK), "read");
}

}  // namespace
}  // namespace sitora::data
