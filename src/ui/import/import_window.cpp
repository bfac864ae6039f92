#include "ui/import/import_window.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QFileInfo>
#include <QComboBox>
#include <QHeaderView>
#include <QProgressBar>
#include <QTableView>
#include <limits>
#include <memory>
#include <optional>

#include "data/import/list_source.h"
#include "export/output_stream.h"
#include "ui/import/preview_model.h"
#include "ui/toolkit/widgets.h"

namespace sitora::ui {
namespace {

const QString kTitle = QStringLiteral("导入数据");

// The encoding box's entries, in the order of data::ListEncoding.
const QStringList kEncodings = {QStringLiteral("自动识别"), QStringLiteral("UTF-8"), QStringLiteral("GBK (代码页 936)")};

QString FromUtf8(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

QString RecognisedText(const data::ListPreview& preview, bool spreadsheet) {
    QString titles;
    for (const std::string& column : preview.columns)
        titles += (titles.isEmpty() ? "" : "、") + FromUtf8(data::ColumnTitle(column));
    const QString encoding = spreadsheet ? "电子表格" : preview.code_page_936 ? "GBK" : "UTF-8";
    return QString("编码：%1　　已识别的标题（%2 个）：%3").arg(encoding).arg(preview.columns.size()).arg(titles);
}

}  // namespace

struct ImportWindow::Outcome {
    std::optional<data::ListPreview> preview;
    bool spreadsheet = false;
    std::optional<data::ListImportResult> imported;
    QString failure;
};

ImportWindow::ImportWindow(AppContext& context) : context_(context), model_(std::make_unique<PreviewModel>()) {
    setObjectName("ImportWindow");
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    SetUpWindow(this, kTitle, 1064, 560);

    MakeLabel(this, "FileLabel", "文件：", QRect(4, 8, 44, 24));
    FileEdit = MakeEdit(this, "FileEdit", QRect(48, 6, 698, 26));
    FileEdit->setReadOnly(true);
    ChooseButton = MakeButton(this, "ChooseButton", "选择文件…", QRect(754, 3, 100, 32),
                              "CSV、文本文件 (制表符分隔) 或 Excel 97-2003 工作簿 (.xls)");
    MakeLabel(this, "EncodingLabel", "编码：", QRect(864, 8, 44, 24));
    EncodingBox = new QComboBox(this);
    EncodingBox->setObjectName("EncodingBox");
    EncodingBox->setGeometry(908, 6, 152, 26);
    EncodingBox->addItems(kEncodings);

    HeadingsLabel = MakeLabel(this, "HeadingsLabel", "请选择要导入的文件。第一行须是标题；“导出模板”写出一个可填写的文件。",
                              QRect(4, 38, 1056, 52));
    HeadingsLabel->setWordWrap(true);
    HeadingsLabel->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    HeadingsLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);

    PreviewGrid = new QTableView(this);
    PreviewGrid->setObjectName("PreviewGrid");
    PreviewGrid->setGeometry(4, 94, 1056, 392);
    PreviewGrid->setModel(model_.get());
    PreviewGrid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    PreviewGrid->setSelectionBehavior(QAbstractItemView::SelectRows);
    PreviewGrid->verticalHeader()->hide();
    PreviewGrid->horizontalHeader()->setDefaultSectionSize(110);

    ProgressBar1 = MakeProgressBar(this, "ProgressBar1", QRect(4, 494, 420, 22));
    SummaryLabel = MakeLabel(this, "SummaryLabel", "", QRect(432, 494, 628, 22));
    SkipBox = MakeCheckBox(this, "SkipBox", "跳过有误的行", QRect(4, 524, 150, 28));
    SkipBox->setToolTip("只导入无误的行；不勾选时，只要有一行有误就不导入任何行");
    RefusedOnlyBox = MakeCheckBox(this, "RefusedOnlyBox", "只看有误的行", QRect(160, 524, 150, 28));
    ImportButton = MakeButton(this, "ImportButton", "导  入", QRect(468, 522, 96, 32), "把列表中的行添加到登记簿");
    TemplateButton = MakeButton(this, "TemplateButton", "导出模板", QRect(574, 522, 96, 32),
                                "写出一个含全部可用标题和一行示例的 CSV 文件");

    connect(ChooseButton, &QPushButton::clicked, this, &ImportWindow::ChooseFile);
    connect(EncodingBox, &QComboBox::currentIndexChanged, this, &ImportWindow::LoadPreview);
    connect(SkipBox, &QCheckBox::toggled, this, &ImportWindow::UpdateButtons);
    connect(RefusedOnlyBox, &QCheckBox::toggled, this, [this](bool on) { model_->ShowRefusedOnly(on); });
    connect(ImportButton, &QPushButton::clicked, this, &ImportWindow::ImportChosenFile);
    connect(TemplateButton, &QPushButton::clicked, this, &ImportWindow::ExportTemplate);
    UpdateButtons();
}

ImportWindow::~ImportWindow() {
    // The work in hand finishes (an import is one transaction; it is never left half done).
    if (worker_.joinable()) worker_.join();
}

void ImportWindow::ChooseFile() {
    if (busy_) return;
    const auto chosen = context_.services.open.Ask(
        {"选择要导入的文件", {"列表文件 (*.csv *.txt *.xls)", "所有文件 (*)"}});
    if (!chosen) return;
    path_ = *chosen;
    FileEdit->setText(path_);
    LoadPreview();
}

data::ListImportOptions ImportWindow::Options(bool skip_refused) {
    data::ListImportOptions options;
    options.skip_refused = skip_refused;
    options.encoding = static_cast<data::ListEncoding>(std::max(EncodingBox->currentIndex(), 0));
    options.progress = [this](std::size_t rows_done, std::size_t rows_at_most) {
        QMetaObject::invokeMethod(this, [this, rows_done, rows_at_most] { ShowProgress(rows_done, rows_at_most); },
                                  Qt::QueuedConnection);
    };
    return options;
}

void ImportWindow::Start(const QString& status, std::function<void(Outcome&, data::TDataModule1&)> work,
                         void (ImportWindow::*done)(Outcome&)) {
    busy_ = true;
    UpdateButtons();
    SummaryLabel->setText(status);
    ProgressBar1->setRange(0, 0);  // moving until the first rows are counted
    // The list is read and checked (and written) on a thread with a connection of its own.
    worker_ = std::thread([this, work = std::move(work), done, folder = context_.ProgramFolderBytes()] {
        auto outcome = std::make_shared<Outcome>();
        try {
            data::TDataModule1 module;
            module.SetUpConnection(folder);
            work(*outcome, module);
        } catch (const data::ListFileError& error) {
            outcome->failure = QString::fromStdString(data::ListFaultText(error));
        } catch (const std::exception& error) {
            outcome->failure = QString::fromUtf8(error.what());
        }
        QMetaObject::invokeMethod(
            this,
            [this, outcome, done] {
                worker_.join();
                busy_ = false;
                UpdateButtons();  // before any box the outcome shows
                (this->*done)(*outcome);
                UpdateButtons();
            },
            Qt::QueuedConnection);
    });
}

void ImportWindow::LoadPreview() {
    if (busy_ || path_.isEmpty()) return;
    previewed_ = false;
    model_->Clear();
    const std::string path = path_.toStdString();
    Start("正在读取…", [path, options = Options(false)](Outcome& outcome, data::TDataModule1& module) {
        data::ListSource source(path);
        outcome.spreadsheet = source.Spreadsheet();
        outcome.preview = data::PreviewList(module, source.Bytes(), options);
    }, &ImportWindow::ShowPreview);
}

void ImportWindow::ShowPreview(Outcome& outcome) {
    ProgressBar1->setRange(0, 1);
    ProgressBar1->setValue(outcome.preview ? 1 : 0);
    spreadsheet_ = outcome.spreadsheet;
    if (!outcome.preview) {
        HeadingsLabel->setText("无法读取此文件：" + outcome.failure);
        SummaryLabel->setText("未读取任何行");
        return;
    }
    HeadingsLabel->setText(RecognisedText(*outcome.preview, outcome.spreadsheet));
    accepted_rows_ = outcome.preview->accepted;
    refused_rows_ = outcome.preview->rows.size() - accepted_rows_;
    model_->Show(std::move(*outcome.preview));
    // Columns as wide as their first rows' text, within reason.
    PreviewGrid->resizeColumnsToContents();
    for (int column = 0; column < model_->columnCount(); ++column)
        PreviewGrid->setColumnWidth(column, std::clamp(PreviewGrid->columnWidth(column), 48, 420));
    previewed_ = true;
    QString summary = QString("共 %1 行：%2 行将添加，%3 行有误").arg(accepted_rows_ + refused_rows_).arg(accepted_rows_).arg(refused_rows_);
    if (refused_rows_ > 0 && accepted_rows_ > 0) summary += "（不勾选“跳过有误的行”则不导入任何行）";
    SummaryLabel->setText(summary);
}

void ImportWindow::ImportChosenFile() {
    if (busy_ || !previewed_) return;
    const std::string path = path_.toStdString();
    // The import's thread gets a locked copy of its own: the window's may be replaced meanwhile.
    std::shared_ptr<const protect::SecretBytes> data_key;
    try {
        data_key = std::make_shared<const protect::SecretBytes>(context_.data_key.View());
    } catch (const std::exception&) {
        context_.services.boxes.Show("导入失败：数据密钥在无法打开的密钥环中，未导入任何数据", kTitle, kErrorBox, this);
        return;
    }
    Start("正在导入…", [path, data_key, options = Options(SkipBox->isChecked())](Outcome& outcome, data::TDataModule1& module) {
        data::ListSource source(path);
        outcome.imported = data::ImportList(module, source.Bytes(), data_key->view(), options);
    }, &ImportWindow::ShowImported);
}

void ImportWindow::ShowImported(Outcome& outcome) {
    ProgressBar1->setRange(0, 1);
    ProgressBar1->setValue(1);
    if (!outcome.imported) {
        SummaryLabel->setText("导入失败，未写入任何数据");
        context_.services.boxes.Show("导入失败，未写入任何数据：" + outcome.failure, kTitle, kErrorBox, this);
        return;
    }
    const data::ListImportResult& result = *outcome.imported;
    if (!result.written) {
        const QString text = result.refused.empty()
                                 ? QString("文件中没有可导入的行，未写入任何数据")
                                 : QString("有 %1 行有误，未导入任何数据。\r勾选“跳过有误的行”可只导入无误的 %2 行。")
                                       .arg(result.refused.size())
                                       .arg(result.accepted);
        SummaryLabel->setText("未写入任何数据");
        context_.services.boxes.Show(text, kTitle, kErrorBox, this);
        return;
    }
    if (context_.windows) context_.windows->RefreshMainList();
    QString text = QString("已导入 %1 条记录").arg(result.accepted);
    if (!result.refused.empty()) text += QString("，跳过有误的 %1 行").arg(result.refused.size());
    SummaryLabel->setText(text);
    context_.services.boxes.Show(text, kTitle, kWarningBox, this);
    // The grid now says what a second import of the file would meet.
    LoadPreview();
}

void ImportWindow::ShowProgress(std::size_t rows_done, std::size_t rows_at_most) {
    if (!busy_) return;
    ProgressBar1->setRange(0, static_cast<int>(std::min<std::size_t>(rows_at_most, std::numeric_limits<int>::max())));
    ProgressBar1->setValue(static_cast<int>(std::min(rows_done, rows_at_most)));
}

void ImportWindow::ExportTemplate() {
    const auto answer = context_.services.save.Ask({"导出模板", {"CSV 文件 (*.csv)"}, 1, "导入模板.csv"});
    if (!answer) return;
    QString file_name = answer->file_name;
    if (QFileInfo(file_name).suffix().isEmpty()) file_name += ".csv";
    // Written as the exports write: whole or not at all, a file it replaces never half written.
    try {
        gridexport::FileOutput output(file_name.toStdString());
        output.Write(data::ListTemplate());
        output.Close();
    } catch (const std::exception& error) {
        context_.services.boxes.Show("模板写入失败：" + QString::fromUtf8(error.what()), kTitle, kErrorBox, this);
        return;
    }
    context_.services.boxes.Show("模板已写入 " + file_name, kTitle, kWarningBox, this);
}

void ImportWindow::UpdateButtons() {
    ChooseButton->setEnabled(!busy_);
    EncodingBox->setEnabled(!busy_ && !spreadsheet_);  // a workbook's text has no encoding to choose
    // With rows refused and none skipped, the import still runs, and says that it wrote nothing.
    ImportButton->setEnabled(!busy_ && previewed_ && accepted_rows_ > 0);
    SkipBox->setEnabled(!busy_);
}

void ImportWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!centred_) {
        CentreOnScreen(this);
        centred_ = true;
    }
}

void ImportWindow::closeEvent(QCloseEvent* event) {
    // An import under way is finished first: the window closes when it is done or refused.
    if (busy_) {
        event->ignore();
        return;
    }
    QWidget::closeEvent(event);
}

}  // namespace sitora::ui
