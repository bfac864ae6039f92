#include "ui/main/export_command.h"

#include "base/text/clock.h"
#include "base/text/cp936.h"
#include "support/register_fixture.h"
#include "support/window_fixture.h"
#include "ui/expiry/expiry_window.h"
#include "ui/main/main_window.h"
#include "ui/settings/settings_window.h"
#include "ui/toolkit/data_grid.h"

namespace sitora::ui {
namespace {

using namespace std::chrono;

class ExportCommandTest : public test::WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        text::SetClockForTesting([] { return text::LocalTime{text::Date{year(2011), month(3), day(5)}, 9, 7, 3}; });
        for (const char* number : {"100001", "100002", "100003"})
            InsertRecord(test::SampleRecord(number, std::string(number) + ".com"));
        LogIn();
        Click(main(), "BitBtn1");
    }
    TForm1* main() { return windows_->Form1(); }
    void Answer(const QString& name, int entry) { save_.answers.push_back(SaveAnswer{name, entry}); }
    QString In(const char* name) { return QString::fromStdString((private_ / name).string()); }
};

TEST_F(ExportCommandTest, TheExportTakesTheGridAsShownAndKeepsItsCurrentRecord) {
    // A list shorter than the grid's window: the highlighted record stays the current one.
    auto& grid = main()->grid();
    grid.resize(800, 400);
    grid.setColumnWidth(1, 300);  // the user widened the name column
    grid.selectRow(2);
    ASSERT_EQ(context_->DataModule1.ADOQuery1.RecNo(), 2);
    Answer(In("shown.htm"), 3);
    Click(main(), "BitBtn7");
    EXPECT_EQ(context_->DataModule1.ADOQuery1.RecNo(), 2);
    EXPECT_NE(test::ReadFile(private_ / "shown.htm").find("<TD WIDTH=300"), std::string::npos);
}

TEST_F(ExportCommandTest, AListEmptiedByACompactionHasNoRowsAndNoRecordCommands) {
    windows_->Form5()->show();
    Click(windows_->Form5(), "BitBtn3");
    ASSERT_EQ(boxes_.LastText(), "压缩数据库成功");
    EXPECT_EQ(main()->grid().model()->rowCount(), 0);
    for (const char* command : {"BitBtn4", "BitBtn7"}) EXPECT_FALSE(Enabled(main(), command)) << command;
    Click(main(), "BitBtn1");
    EXPECT_EQ(main()->grid().model()->rowCount(), 3);
    EXPECT_TRUE(Enabled(main(), "BitBtn7"));
}

TEST_F(ExportCommandTest, ProposesTheTimeAndOffersTheFiveEntries) {
    Click(main(), "BitBtn7");  // cancelled: nothing more happens
    ASSERT_EQ(save_.requests.size(), 1u);
    EXPECT_EQ(save_.requests[0].file_name, "20110305090703");
    EXPECT_EQ(save_.requests[0].filters, (QStringList{"*.xls", "*.csv", "*.htm", "*.rtf", "*.txt"}));
    EXPECT_EQ(save_.requests[0].filter_index, 1);
    EXPECT_TRUE(boxes_.shown.empty());
}

TEST_F(ExportCommandTest, EachEntryWritesItsFormatUnderTheExtensionRule) {
    const struct {
        const char* typed;
        int entry;
        const char* written;
        std::string_view start;
    } cases[] = {
        {"20110305090703", 1, "20110305090703.xls", std::string_view("\x09\x08", 2)},
        {"report.CSV", 2, "report.CSV", "\""},
        {"page", 3, "page.htm", "<!DOCTYPE"},
        {"doc.rtfx", 4, "doc.rtfx.rtf", "{\\rtf0"},
        {"listtxt", 5, "listtxt", "\xCD\xF8"},  // no full stop needed: only the last three characters count
    };
    main()->grid().selectRow(1);  // the selection does not limit the export
    for (const auto& c : cases) {
        Answer(In(c.typed), c.entry);
        Click(main(), "BitBtn7");
        EXPECT_EQ(boxes_.LastText(), "数据导出成功") << c.typed;
        EXPECT_EQ(boxes_.shown.back().flags, kWarningBox);
        const std::string bytes = test::ReadFile(private_ / c.written);
        EXPECT_EQ(bytes.substr(0, c.start.size()), c.start) << c.written;
        EXPECT_NE(bytes.find("100003"), std::string::npos) << c.written;
        EXPECT_NE(bytes.find("100001"), std::string::npos) << c.written;
    }
    // The entry chosen last is offered again.
    Trigger(main(), "N10");
    EXPECT_EQ(save_.requests.back().filter_index, 5);
    EXPECT_EQ(main()->grid().currentIndex().row(), 1);
}

TEST_F(ExportCommandTest, AFailureShowsTheErrorMessage) {
    Answer("/nonexistent/folder/x", 2);
    Click(main(), "BitBtn7");
    EXPECT_EQ(boxes_.LastText(), "数据导出出错");
    EXPECT_EQ(boxes_.shown.back().flags, kErrorBox);
}

TEST_F(ExportCommandTest, TheExpiryWindowRemembersItsOwnEntry) {
    Answer(In("main"), 3);
    Click(main(), "BitBtn7");
    text::SetClockForTesting([] { return text::LocalTime{text::Date{year(2013), month(1), day(1)}, 0, 0, 0}; });
    Click(main(), "BitBtn8");
    Click(main(), "BitBtn12");
    Click(windows_->Form4(), "BitBtn4");
    Answer(In("expiry"), 2);
    Click(windows_->Form4(), "BitBtn1");
    EXPECT_EQ(save_.requests.back().filter_index, 1);
    EXPECT_EQ(boxes_.LastText(), "数据导出成功");
    EXPECT_NE(test::ReadFile(private_ / "expiry.csv").find(text::ToCp936("网站联系人")), std::string::npos);
}

TEST(ExportFileName, OnlyTheLastThreeCharactersAreCompared) {
    EXPECT_EQ(WithExtension("20110305090703", "xls"), "20110305090703.xls");
    EXPECT_EQ(WithExtension("report.XLS", "xls"), "report.XLS");
    EXPECT_EQ(WithExtension("reportxls", "xls"), "reportxls");
    EXPECT_EQ(WithExtension("data.xlsx", "xls"), "data.xlsx.xls");
}

}  // namespace
}  // namespace sitora::ui
