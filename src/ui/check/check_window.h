#pragma once
// The registry check in a window: every record with its register date, its registry's date and
// its site's certificate, filled in as the answers arrive while the lookups run on threads of
// their own. A later registry date is written into the register only when the user says so.
#include <QWidget>
#include <memory>
#include <thread>
#include <vector>

#include "check/site_check.h"
#include "ui/app_context.h"

class QCheckBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QTableWidget;

namespace sitora::ui {

class ExportCommand;

class CheckWindow : public QWidget {
    Q_OBJECT
public:
    explicit CheckWindow(AppContext& context);
    ~CheckWindow() override;

    void StartCheck();    // "开始核对"
    void StopCheck();     // "停  止"
    void AdoptSelected(); // "采用注册局日期", for every selected row with a later registry date
    bool Running() const { return worker_.joinable() && !finished_; }

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void ShowRecord(int row, const check::CheckedRecord& record);
    void ShowFinding(int row, const check::RecordFinding& finding);
    void ShowProgress(int done, int total);
    void Finish();
    void JoinWorker();
    void UpdateAdoptButton();
    void ShowCount();
    std::vector<int> AdoptableSelectedRows() const;
    bool Adoptable(int row) const;
    std::vector<std::vector<std::string>> ListRows() const;

    AppContext& context_;
    QTableWidget* CheckGrid;
    QProgressBar* ProgressBar1;
    QLabel* StatusLabel;
    QCheckBox* RefreshBox;
    QPushButton* StartButton;
    QPushButton* StopButton;
    QPushButton* AdoptButton;
    QPushButton* ExportButton;
    std::unique_ptr<ExportCommand> export_;

    check::CheckSettings settings_;               // of the last run
    std::vector<check::RecordFinding> findings_;  // by grid row; verdicts once answered
    std::vector<bool> answered_;
    std::shared_ptr<check::StopFlag> stop_;
    std::thread worker_;
    bool finished_ = true;
    bool centred_ = false;
};

}  // namespace sitora::ui
