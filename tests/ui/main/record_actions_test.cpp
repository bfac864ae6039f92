// Delete, modify, detail and visit from the main window.
#include <QApplication>
#include <QItemSelectionModel>
#include <QKeyEvent>

#include <algorithm>

#include <cerrno>

#include <sys/wait.h>
#include <unistd.h>

#include "data/compaction.h"
#include "support/fault_vfs.h"
#include "base/files/file_ops.h"
#include "support/register_fixture.h"
#include "support/window_fixture.h"
#include "ui/main/main_window.h"
#include "ui/records/detail_window.h"
#include "ui/toolkit/data_grid.h"
#include "support/failure_plan.h"

namespace sitora::ui {
namespace {

class RecordActions : public test::WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        for (const char* number : {"100001", "100002", "100003", "100004", "100005"})
            InsertRecord(test::SampleRecord(number, std::string(number) + ".com"));
        LogIn();
        Click(main(), "BitBtn1");
    }
    TForm1* main() { return windows_->Form1(); }
    void Select(std::initializer_list<int> rows) {
        auto& grid = main()->grid();
        grid.clearSelection();
        for (int row : rows)
            grid.selectionModel()->select(grid.model()->index(row, 0),
                                          QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
    std::string Numbers() {
        data::TDataModule1 module;
        module.SetUpConnection(program_.ProgramFolder());
        module.ADOQuery1.Open();
        std::string numbers;
        for (int row = 0; row < module.ADOQuery1.RecordCount(); ++row)
            numbers += data::AsString(module.ADOQuery1.Value(row, 0)).substr(5) + " ";
        return numbers;
    }
};

TEST_F(RecordActions, DeleteAsksThenRemovesExactlyTheSelectedRecords) {
    Select({4, 1, 2});
    boxes_.answers = {BoxAnswer::Cancel};
    Click(main(), "BitBtn4");
    EXPECT_EQ(boxes_.LastText(), "确定要删除这3条记录吗？");
    EXPECT_EQ(boxes_.shown.back().flags, kQuestionBox);
    EXPECT_EQ(Numbers(), "1 2 3 4 5 ");

    Click(main(), "BitBtn4");
    EXPECT_EQ(boxes_.LastText(), "删除成功");
    EXPECT_EQ(Numbers(), "1 4 ");
    EXPECT_EQ(Text(main(), "Label3"), "5");  // not recounted
    EXPECT_TRUE(Enabled(main(), "BitBtn4"));
    EXPECT_EQ(main()->grid().model()->rowCount(), 2);
}

TEST_F(RecordActions, CtrlASelectsNothingSoDeleteOffersNothing) {
    QKeyEvent select_all(QEvent::KeyPress, Qt::Key_A, Qt::ControlModifier, "a");
    QApplication::sendEvent(&main()->grid(), &select_all);
    EXPECT_TRUE(main()->grid().SelectedRows().empty());
}

TEST_F(RecordActions, AfterACompactionByAnotherProcessTheWindowDeletesAndListsTheRegisterAsItIs) {
    // sitora-cli compact from cron while the window stays open.
    const pid_t cron = fork();
    if (cron == 0) _exit(data::CompactDatabase(program_.path()) ? 0 : 1);
    int status = 0;
    waitpid(cron, &status, 0);
    ASSERT_EQ(WEXITSTATUS(status), 0);
    Select({0});
    Click(main(), "BitBtn4");
    EXPECT_EQ(boxes_.LastText(), "删除成功");
    EXPECT_EQ(Numbers(), "2 3 4 5 ");
    Click(main(), "BitBtn1");
    EXPECT_EQ(main()->grid().model()->rowCount(), 4);
}

TEST_F(RecordActions, AFailedDeleteInTheMiddleStopsThereAndSaysSo) {
    // The list's connection is opened again through the fault-injecting file layer.
    data::UseFaultInjectingFileLayer();
    module_->ADOConnection1.Close();
    Click(main(), "BitBtn1");
    Select({4});
    files::InjectFaultForTesting(1'000'000, EIO);
    Click(main(), "BitBtn4");
    const int calls_of_one_delete = files::CallsSinceForTesting();
    ASSERT_EQ(Numbers(), "1 2 3 4 ");

    Select({0, 1, 2});
    files::InjectFaultForTesting(calls_of_one_delete + 1, EIO);  // the second delete's first write
    Click(main(), "BitBtn4");
    files::ClearFaultsForTesting();
    EXPECT_EQ(boxes_.LastText(), "数据删除出错");
    EXPECT_EQ(boxes_.shown.back().flags, kErrorBox);
    EXPECT_EQ(Numbers(), "2 3 4 ");
    EXPECT_EQ(main()->grid().model()->rowCount(), 3);
}

TEST_F(RecordActions, TheKeyboardMovesTheCurrentRowAndNeverSelects) {
    auto& grid = main()->grid();
    grid.setFocus();
    Select({0, 3});  // a click and a Ctrl-click
    for (int key : {Qt::Key_Down, Qt::Key_Down, Qt::Key_Down, Qt::Key_Up}) {
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
        QApplication::sendEvent(&grid, &press);
    }
    EXPECT_EQ(context_->DataModule1.ADOQuery1.RecNo(), 2);
    auto rows = grid.SelectedRows();
    std::sort(rows.begin(), rows.end());
    EXPECT_EQ(rows, (std::vector<int>{0, 3}));
}

TEST_F(RecordActions, NoSelectionDeletesNothingAndAsksNothing) {
    main()->grid().clearSelection();
    Click(main(), "BitBtn4");
    EXPECT_TRUE(boxes_.shown.empty());
    EXPECT_EQ(Numbers(), "1 2 3 4 5 ");
}

TEST_F(RecordActions, DeletingTheLastRecordsResetsTheCounterAndDisablesTheCommands) {
    Select({0, 1, 2, 3, 4});
    Click(main(), "BitBtn4");
    EXPECT_EQ(Numbers(), "");
    EXPECT_EQ(Text(main(), "Label3"), "00000");
    for (const char* button : {"BitBtn3", "BitBtn4", "BitBtn5", "BitBtn6", "BitBtn7", "BitBtn9", "BitBtn14"})
        EXPECT_FALSE(Enabled(main(), button)) << button;
    for (const char* item : {"N5", "N6", "N8", "N9", "N10", "N17"}) EXPECT_FALSE(Find<QAction>(main(), item)->isEnabled());
}

TEST_F(RecordActions, TheRememberedAddressOutlivesTheDeleteOfItsRecord) {
    auto& grid = main()->grid();
    emit grid.clicked(grid.model()->index(1, 0));
    Select({1});
    Click(main(), "BitBtn4");
    EXPECT_EQ(Numbers(), "1 3 4 5 ");
    Trigger(main(), "N8");
    ASSERT_EQ(urls_.opened.size(), 1u);
    EXPECT_EQ(urls_.opened[0], "100002.com");
}

TEST_F(RecordActions, ModifyAndDetailOpenTheCurrentRowInTheirForms) {
    main()->grid().selectRow(2);
    Click(main(), "BitBtn3");
    EXPECT_TRUE(windows_->Form3()->isVisible());
    EXPECT_EQ(Find<QLineEdit>(windows_->Form3(), "Edit3")->text(), "100003.com");
    EXPECT_EQ(windows_->Form3()->windowTitle(), "网站资料修改");
    windows_->Form3()->close();

    main()->grid().selectRow(3);
    emit main()->grid().doubleClicked(main()->grid().model()->index(3, 0));
    EXPECT_EQ(windows_->Form3()->windowTitle(), "网站资料详细查询");
    EXPECT_EQ(Find<QLineEdit>(windows_->Form3(), "Edit3")->text(), "100004.com");
}

TEST_F(RecordActions, ModifyOnARowWithoutAddressDoesNothing) {
    InsertRecord(test::SampleRecord("100006", ""));
    Click(main(), "BitBtn1");
    main()->grid().selectRow(5);
    Click(main(), "BitBtn3");
    EXPECT_FALSE(windows_->Form3()->isVisible());
}

}  // namespace
}  // namespace sitora::ui
