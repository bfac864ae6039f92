#include "ui/import/import_window.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QTableView>

#include "base/text/cp936.h"
#include "support/register_fixture.h"
#include "support/temp_folder.h"
#include "support/window_fixture.h"
#include "ui/main/main_window.h"

namespace sitora::ui {
namespace {

class ImportWindowTest : public test::WindowTest {
protected:
    ImportWindow* window() { return windows_->import_window(); }
    // Chooses `bytes`, written to a file, in the window and waits for its preview.
    void Choose(const std::string& bytes) {
        const auto path = files_.path() / "list.csv";
        test::WriteFile(path, bytes);
        open_.answers.push_back(QString::fromStdString(path.string()));
        Click(window(), "ChooseButton");
        ASSERT_TRUE(WaitWhileBusy());
    }
    bool WaitWhileBusy() {
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (window()->Busy() && std::chrono::steady_clock::now() < until)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        return !window()->Busy();
    }
    QString Verdict(int row) {
        auto* grid = Find<QTableView>(window(), "PreviewGrid");
        return grid->model()->index(row, 1).data().toString();
    }
    int Rows() { return Find<QTableView>(window(), "PreviewGrid")->model()->rowCount(); }

    test::TempFolder files_;
};

TEST_F(ImportWindowTest, ShowsEveryRowsVerdictWritesNothingUntilImportAndThenAllOrNothing) {
    InsertRecord(test::SampleRecord("111111", "taken.com"));
    LogIn();
    Trigger(windows_->Form1(), "ImportItem");
    ASSERT_TRUE(window()->isVisible());
    Choose("网站编号,网站地址,网站空间购买日期,网站空间到期时间,网站域名申请时间,网站域名到期时间\n"
           "222222,new.com,2026-1-1,2027年3月1日,2026.1.1,2027/03/01\n"
           "333333,TAKEN.com,2026-1-1,2027-1-1,2026-1-1,2027-1-1\n"
           "444444,late.com,26-1-1,2027-1-1,2026-1-1,2027-1-1\n");
    ASSERT_EQ(Rows(), 3);
    EXPECT_EQ(Verdict(0), "将添加");
    EXPECT_TRUE(Verdict(1).contains("（登记簿中已有 taken.com）")) << Verdict(1).toStdString();
    EXPECT_TRUE(Verdict(2).contains("年份须写四位数字")) << Verdict(2).toStdString();
    EXPECT_TRUE(Text(window(), "HeadingsLabel").contains("域名到期日期"));
    Find<QCheckBox>(window(), "RefusedOnlyBox")->setChecked(true);
    EXPECT_EQ(Rows(), 2);
    EXPECT_TRUE(Verdict(0).contains("taken.com"));
    Find<QCheckBox>(window(), "RefusedOnlyBox")->setChecked(false);
    Click(windows_->Form1(), "BitBtn1");
    EXPECT_EQ(Text(windows_->Form1(), "Label3"), "1");  // a preview writes nothing

    Click(window(), "ImportButton");
    ASSERT_TRUE(WaitWhileBusy());
    EXPECT_TRUE(boxes_.LastText().startsWith("有 2 行有误，未导入任何数据")) << boxes_.LastText().toStdString();
    Click(windows_->Form1(), "BitBtn1");
    EXPECT_EQ(Text(windows_->Form1(), "Label3"), "1");

    Find<QCheckBox>(window(), "SkipBox")->setChecked(true);
    Click(window(), "ImportButton");
    ASSERT_TRUE(WaitWhileBusy());
    EXPECT_EQ(boxes_.LastText(), "已导入 1 条记录，跳过有误的 2 行");
    EXPECT_EQ(Text(windows_->Form1(), "Label3"), "2");  // the main list is refreshed
    ASSERT_TRUE(WaitWhileBusy());
    EXPECT_TRUE(Verdict(0).contains("（登记簿中已有 new.com）"));  // and the preview with it
}

TEST_F(ImportWindowTest, AnUnknownHeadingListsTheAcceptedOnesAndTheEncodingCanBeChosen) {
    LogIn();
    Trigger(windows_->Form1(), "ImportItem");
    Choose(text::ToCp936("网站编号,网址\n"));
    EXPECT_TRUE(Text(window(), "HeadingsLabel").contains("“网址”不是登记簿的列")) << Text(window(), "HeadingsLabel").toStdString();
    EXPECT_TRUE(Text(window(), "HeadingsLabel").contains("网站编号、网站名称、网站地址"));
    Choose(text::ToCp936("网站编号,网站地址,网站空间购买日期,网站空间到期时间,网站域名申请时间,网站域名到期时间\n"
                         "222222,甲.com,2026-1-1,2027-1-1,2026-1-1,2027-1-1\n"));
    EXPECT_TRUE(Text(window(), "HeadingsLabel").startsWith("编码：GBK"));
    EXPECT_EQ(Find<QTableView>(window(), "PreviewGrid")->model()->index(0, 3).data().toString(), "甲.com");
    Find<QComboBox>(window(), "EncodingBox")->setCurrentIndex(1);  // UTF-8, which the bytes are not
    ASSERT_TRUE(WaitWhileBusy());
    EXPECT_EQ(Rows(), 0);
    EXPECT_TRUE(Text(window(), "HeadingsLabel").contains("第 1 行不是 UTF-8 编码"));
    EXPECT_FALSE(Enabled(window(), "ImportButton"));
}

}  // namespace
}  // namespace sitora::ui
