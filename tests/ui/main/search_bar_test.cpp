#include "ui/main/search_bar.h"

#include <QComboBox>

#include "support/register_fixture.h"
#include "support/window_fixture.h"
#include "ui/main/main_window.h"
#include "ui/toolkit/data_grid.h"

namespace sitora::ui {
namespace {

class SearchBarTest : public test::WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        auto add = [this](const std::string& number, const std::string& name, const std::string& domain_end) {
            auto record = test::SampleRecord(number, number + ".com");
            record["web_name"] = name;
            record["web_enddomaintime"] = domain_end;
            InsertRecord(record);
        };
        add("1", "Alpha", "2011-1-5");
        add("", "ShopOne", "2011-01-05");
        add("3", "shop two", "2012-2-2");
        add("4", "", "2011-1-5");
        LogIn();
        Click(main(), "BitBtn1");
        Click(main(), "BitBtn9");
        auto& grid = main()->grid();
        emit grid.clicked(grid.model()->index(0, 0));  // remember row 1's addresses
    }
    TForm1* main() { return windows_->Form1(); }
    int Search(const QString& type, const QString& keyword) {
        Find<QComboBox>(main(), "ComboBox1")->setCurrentText(type);
        Type(main(), "Edit1", keyword);
        Click(main(), "BitBtn10");
        return module_->ADOQuery1.RecNo();
    }
};

TEST_F(SearchBarTest, TextColumnsMatchAPrefixInAnyCaseIgnoringBlanks) {
    EXPECT_TRUE(Find<QWidget>(main(), "Panel2")->isVisible());
    EXPECT_EQ(Find<QComboBox>(main(), "ComboBox1")->currentText(), "域名到期日期");
    EXPECT_EQ(Search("网站名称", "  shop\t"), 1);
    EXPECT_EQ(Search("网站名称", "SHOP T"), 2);
    // Twice the same keyword finds the same first row again.
    EXPECT_EQ(Search("网站名称", "shop"), 1);
    EXPECT_EQ(main()->grid().currentIndex().row(), 1);
    EXPECT_TRUE(main()->grid().SelectedRows().empty() || main()->grid().SelectedRows() == std::vector<int>{0});
    EXPECT_TRUE(boxes_.shown.empty());
}

TEST_F(SearchBarTest, AnEmptyKeywordFindsAnEmptyValueOnly) {
    EXPECT_EQ(Search("网站编号", ""), 1);
    EXPECT_EQ(Search("网站名称", "   "), 3);
}

TEST_F(SearchBarTest, DateColumnsMatchTheDateInAnySpelling) {
    EXPECT_EQ(Search("网站编号", "3"), 2);
    EXPECT_EQ(Search("域名到期日期", "2011-01-05"), 0);
    EXPECT_EQ(Search("域名到期日期", "2012/2/2"), 2);
    EXPECT_TRUE(boxes_.shown.empty());
}

TEST_F(SearchBarTest, NoMatchKeepsTheRowSilentlyAndABadDateIsReported) {
    Search("网站编号", "3");
    EXPECT_EQ(Search("网站名称", "zzz"), 2);
    EXPECT_TRUE(boxes_.shown.empty());
    for (const char* bad : {"tomorrow", "", "2011-2-30"}) {
        EXPECT_EQ(Search("网站申请日期", bad), 2) << bad;
        EXPECT_EQ(boxes_.LastText(), "查询失败,请检查关键字格式是否正确\r日期格式：####-##-##");
    }
    EXPECT_TRUE(Find<QWidget>(main(), "Panel2")->isVisible());
}

TEST_F(SearchBarTest, SearchingNeverMovesTheRememberedAddressesOrReloads) {
    Search("网站名称", "shop two");
    Click(main(), "BitBtn5");
    ASSERT_EQ(urls_.opened.size(), 1u);
    EXPECT_EQ(urls_.opened[0], "1.com");
    EXPECT_EQ(module_->ADOQuery1.RecordCount(), 4);
    Click(main(), "BitBtn11");
    EXPECT_FALSE(Find<QWidget>(main(), "Panel2")->isVisible());
    Click(main(), "BitBtn9");
    EXPECT_EQ(Find<QLineEdit>(main(), "Edit1")->text(), "shop two");
}

}  // namespace
}  // namespace sitora::ui
