#pragma once
// Bringing a list in from a file: every row shown with what the import would make of it before
// anything is written, then the same all-or-nothing import as sitora-cli's, on a thread of its
// own so that the window keeps answering while a large list goes in.
#include <QWidget>
#include <memory>
#include <thread>

#include "data/import/list_import.h"
#include "ui/app_context.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QTableView;

namespace sitora::ui {

class PreviewModel;

class ImportWindow : public QWidget {
    Q_OBJECT
public:
    explicit ImportWindow(AppContext& context);
    ~ImportWindow() override;

    void ChooseFile();        // "选择文件…"
    void LoadPreview();       // on a chosen file or encoding
    void ImportChosenFile();  // "导  入"
    void ExportTemplate();    // "导出模板"
    bool Busy() const { return busy_; }

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    struct Outcome;
    // Runs `work` on the worker thread with a connection of its own, then `done` here.
    void Start(const QString& status, std::function<void(Outcome&, data::TDataModule1&)> work,
               void (ImportWindow::*done)(Outcome&));
    void ShowPreview(Outcome& outcome);
    void ShowImported(Outcome& outcome);
    void ShowProgress(std::size_t rows_done, std::size_t rows_at_most);
    void UpdateButtons();
    data::ListImportOptions Options(bool skip_refused);

    AppContext& context_;
    QLineEdit* FileEdit;
    QPushButton* ChooseButton;
    QComboBox* EncodingBox;
    QLabel* HeadingsLabel;
    QTableView* PreviewGrid;
    QProgressBar* ProgressBar1;
    QLabel* SummaryLabel;
    QCheckBox* SkipBox;
    QCheckBox* RefusedOnlyBox;
    QPushButton* ImportButton;
    QPushButton* TemplateButton;
    std::unique_ptr<PreviewModel> model_;

    QString path_;                   // the chosen file
    bool previewed_ = false;         // the grid shows path_ as it was read last
    bool spreadsheet_ = false;       // path_ is a workbook
    std::size_t refused_rows_ = 0;   // of that preview
    std::size_t accepted_rows_ = 0;
    std::thread worker_;
    bool busy_ = false;
    bool centred_ = false;
};

}  // namespace sitora::ui
