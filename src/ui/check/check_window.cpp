#include "ui/check/check_window.h"

#include <algorithm>

#include <QCheckBox>
#include <QCloseEvent>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>

#include "base/files/private_folder.h"
#include "base/text/clock.h"
#include "check/check_config.h"
#include "check/register_records.h"
#include "export/list_grids.h"
#include "export/list_layouts.h"
#include "remind/check_findings.h"
#include "remind/reminder_log.h"
#include "ui/main/export_command.h"
#include "ui/toolkit/messages.h"
#include "ui/toolkit/widgets.h"

namespace sitora::ui {
namespace {

const QString kTitle = QStringLiteral("域名与证书核对");

enum Column { kNumber, kAddress, kDomain, kRegisterDate, kRegistryDate, kSource, kDomainState, kCertificateDate, kCertificateState };

QColor StateColour(check::Standing standing) {
    switch (standing) {
    case check::Standing::kAttention: return QColor(0x80, 0, 0);
    case check::Standing::kFine: return QColor(0, 0x60, 0);
    case check::Standing::kNeutral: break;
    }
    return QColor(0x60, 0x60, 0x60);
}

constexpr int kMargin = 4;
constexpr int kBottom = 70;  // the bar, the status line and the buttons below the grid

}  // namespace

CheckWindow::CheckWindow(AppContext& context) : context_(context) {
    setObjectName("CheckWindow");
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    SetUpWindow(this, kTitle, 1340, 600);
    // Long lists and long reasons: the window may be made as large as the screen.
    setMinimumSize(760, 300);
    setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);

    CheckGrid = new QTableWidget(0, static_cast<int>(gridexport::kCheckListColumns.size()), this);
    CheckGrid->setObjectName("CheckGrid");
    CheckGrid->setGeometry(kMargin, kMargin, 1340 - 2 * kMargin, 600 - kBottom - kMargin);
    CheckGrid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    CheckGrid->setSelectionBehavior(QAbstractItemView::SelectRows);
    CheckGrid->setSelectionMode(QAbstractItemView::ExtendedSelection);
    CheckGrid->verticalHeader()->hide();
    QStringList titles;
    for (std::size_t c = 0; c < gridexport::kCheckListColumns.size(); ++c) {
        titles << QString::fromUtf8(gridexport::kCheckListColumns[c].title.data(),
                                    static_cast<int>(gridexport::kCheckListColumns[c].title.size()));
        CheckGrid->setColumnWidth(static_cast<int>(c), gridexport::kCheckListColumns[c].width);
    }
    CheckGrid->setHorizontalHeaderLabels(titles);
    connect(CheckGrid, &QTableWidget::itemSelectionChanged, this, &CheckWindow::UpdateAdoptButton);

    ProgressBar1 = MakeProgressBar(this, "ProgressBar1", QRect());
    StatusLabel = MakeLabel(this, "StatusLabel", "", QRect());
    RefreshBox = MakeCheckBox(this, "RefreshBox", "不用缓存，重新查询", QRect());

    StartButton = MakeButton(this, "StartButton", "开始核对", QRect(), "向注册局查询域名到期日期，并读取网站证书");
    StopButton = MakeButton(this, "StopButton", "停  止", QRect());
    AdoptButton = MakeButton(this, "AdoptButton", "采用注册局日期", QRect(),
                             "把注册局的到期日期写入所选网站（可多选）的域名到期日期");
    ExportButton = MakeButton(this, "ExportButton", "导出数据", QRect());
    StopButton->setEnabled(false);
    AdoptButton->setEnabled(false);
    ExportButton->setEnabled(false);
    connect(StartButton, &QPushButton::clicked, this, &CheckWindow::StartCheck);
    connect(StopButton, &QPushButton::clicked, this, &CheckWindow::StopCheck);
    connect(AdoptButton, &QPushButton::clicked, this, &CheckWindow::AdoptSelected);
    export_ = std::make_unique<ExportCommand>(context_, [this] {
        return std::make_unique<gridexport::TableGrid>(gridexport::CheckListGrid(), ListRows());
    });
    connect(ExportButton, &QPushButton::clicked, this, [this] { export_->Run(); });
}

CheckWindow::~CheckWindow() {
    if (stop_) *stop_ = true;
    JoinWorker();
}

void CheckWindow::JoinWorker() {
    if (worker_.joinable()) worker_.join();
}

void CheckWindow::StartCheck() {
    if (Running()) return;
    JoinWorker();
    check::CheckSettings settings;
    std::vector<check::CheckedRecord> records;
    try {
        settings.registry = check::ReadCheckConfig(context_.ProgramFolderBytes());
        settings.registry.refresh = RefreshBox->isChecked();
        settings.today = text::Today();
        data::TADOQuery query(context_.DataModule1.ADOConnection1);
        settings.certificate_lead_days = check::CertificateLeadDays(query, settings.today);
        records = check::ReadCheckedRecords(query);
    } catch (const std::exception& error) {
        context_.services.boxes.Show(QString("无法开始核对：") + error.what(), kTitle, kErrorBox, this);
        return;
    }
    CheckGrid->setRowCount(0);
    CheckGrid->setRowCount(static_cast<int>(records.size()));
    findings_.assign(records.size(), {});
    answered_.assign(records.size(), false);
    for (std::size_t r = 0; r < records.size(); ++r) {
        findings_[r].record = records[r];
        ShowRecord(static_cast<int>(r), records[r]);
    }
    CheckGrid->resizeColumnToContents(kNumber);  // numbers as typed, never cut short
    ProgressBar1->setRange(0, 1);
    ProgressBar1->setValue(0);
    StatusLabel->setText("正在核对…");
    StartButton->setEnabled(false);
    StopButton->setEnabled(true);
    ExportButton->setEnabled(false);
    AdoptButton->setEnabled(false);
    finished_ = false;
    settings_ = settings;

    stop_ = std::make_shared<check::StopFlag>(false);
    const std::string register_id = remind::RegisterIdOf(context_.ProgramFolderBytes());
    // The lookups wait on the network: they run on threads of their own and hand each answer to
    // this window's thread, so the window keeps answering the user.
    worker_ = std::thread([this, records, settings, register_id, stop = stop_] {
        std::vector<check::RecordFinding> findings;
        try {
            check::LookupCache cache(files::CacheFolder());
            findings = check::CheckRecords(
                records, settings, cache, *stop,
                [this](std::size_t row, const check::RecordFinding& finding) {
                    QMetaObject::invokeMethod(this, [this, row, finding] { ShowFinding(static_cast<int>(row), finding); },
                                              Qt::QueuedConnection);
                },
                [this](int done, int total) {
                    QMetaObject::invokeMethod(this, [this, done, total] { ShowProgress(done, total); }, Qt::QueuedConnection);
                });
            if (!*stop) remind::KeepCheckFindings(register_id, remind::FindingsToCarry(findings), settings.today);
        } catch (const std::exception&) {
            // No cache folder: what was answered stands; the rest stays unanswered.
        }
        QMetaObject::invokeMethod(this, [this] { Finish(); }, Qt::QueuedConnection);
    });
}

void CheckWindow::StopCheck() {
    if (!Running()) return;
    *stop_ = true;
    StopButton->setEnabled(false);
    StatusLabel->setText("正在停止…");
}

void CheckWindow::ShowRecord(int row, const check::CheckedRecord& record) {
    const auto set = [this, row](int column, const std::string& value) {
        CheckGrid->setItem(row, column, new QTableWidgetItem(QString::fromStdString(value)));
    };
    set(kNumber, record.number);
    set(kAddress, record.address);
    set(kRegisterDate, text::ShortDateOrBlank(record.domain_runs_out));
    set(kDomainState, "等待查询");
}

void CheckWindow::ShowFinding(int row, const check::RecordFinding& finding) {
    if (row < 0 || row >= CheckGrid->rowCount()) return;
    findings_[static_cast<std::size_t>(row)] = finding;
    answered_[static_cast<std::size_t>(row)] = true;
    const auto set = [this, row](int column, const std::string& value) {
        auto* item = new QTableWidgetItem(QString::fromStdString(value));
        item->setToolTip(item->text());
        CheckGrid->setItem(row, column, item);
    };
    set(kDomain, finding.registered_domain);
    set(kRegisterDate, text::ShortDateOrBlank(finding.record.domain_runs_out));
    set(kRegistryDate, text::ShortDateOrBlank(finding.registry.expiry));
    set(kSource, finding.registry.source);
    set(kDomainState, finding.domain_text);
    set(kCertificateDate, text::ShortDateOrBlank(finding.certificate.not_after));
    set(kCertificateState, finding.certificate_text);
    CheckGrid->item(row, kDomainState)->setForeground(StateColour(check::StandingOf(finding.domain_verdict)));
    CheckGrid->item(row, kCertificateState)->setForeground(StateColour(check::StandingOf(finding.certificate_verdict)));
    UpdateAdoptButton();
}

void CheckWindow::ShowProgress(int done, int total) {
    ProgressBar1->setRange(0, std::max(total, 1));
    ProgressBar1->setValue(total ? done : 1);
    if (!finished_) StatusLabel->setText(QString("已查询 %1 / %2").arg(done).arg(total));
}

void CheckWindow::Finish() {
    JoinWorker();
    finished_ = true;
    const bool stopped = stop_ && *stop_;
    ShowCount();
    // Every domain, source and reason whole in its row, however long.
    for (const int column : {kAddress, kDomain, kSource, kDomainState, kCertificateState})
        CheckGrid->resizeColumnToContents(column);
    if (!stopped) {
        ProgressBar1->setRange(0, 1);
        ProgressBar1->setValue(1);
    }
    StartButton->setEnabled(true);
    StopButton->setEnabled(false);
    ExportButton->setEnabled(!findings_.empty());
    UpdateAdoptButton();
}

void CheckWindow::ShowCount() {
    if (!finished_) return;
    const bool stopped = stop_ && *stop_;
    int attention = 0;
    for (std::size_t r = 0; r < findings_.size(); ++r) attention += answered_[r] && findings_[r].needs_attention;
    StatusLabel->setText(stopped ? QString("已停止，%1 项需要处理").arg(attention)
                                 : QString("核对完成：%1 个网站，%2 项需要处理").arg(findings_.size()).arg(attention));
}

bool CheckWindow::Adoptable(int row) const {
    if (row < 0 || static_cast<std::size_t>(row) >= findings_.size() || !answered_[static_cast<std::size_t>(row)]) return false;
    const check::RecordFinding& finding = findings_[static_cast<std::size_t>(row)];
    return finding.registry.expiry && (finding.domain_verdict == check::DomainVerdict::kRenewed ||
                                       finding.domain_verdict == check::DomainVerdict::kNoRegisterDate);
}

std::vector<int> CheckWindow::AdoptableSelectedRows() const {
    std::vector<int> rows;
    for (const QModelIndex& index : CheckGrid->selectionModel()->selectedRows())
        if (Adoptable(index.row())) rows.push_back(index.row());
    std::sort(rows.begin(), rows.end());
    return rows;
}

void CheckWindow::UpdateAdoptButton() { AdoptButton->setEnabled(!AdoptableSelectedRows().empty()); }

void CheckWindow::AdoptSelected() {
    const std::vector<int> rows = AdoptableSelectedRows();
    if (rows.empty()) return;
    // One question naming every change, at most a screenful of them.
    constexpr std::size_t kNamed = 12;
    QString question = rows.size() == 1 ? QString("将下面这个网站的域名到期日期改为注册局的日期？\n")
                                        : QString("将下面 %1 个网站的域名到期日期改为注册局的日期？\n").arg(rows.size());
    for (std::size_t i = 0; i < std::min(rows.size(), kNamed); ++i) {
        const check::RecordFinding& finding = findings_[static_cast<std::size_t>(rows[i])];
        question += QString("\n%1：%2 → %3")
                        .arg(QString::fromStdString(finding.record.address),
                             QString::fromStdString(finding.record.domain_runs_out ? text::ShortDate(*finding.record.domain_runs_out)
                                                                                   : std::string("（空）")),
                             QString::fromStdString(text::ShortDate(*finding.registry.expiry)));
    }
    if (rows.size() > kNamed) question += QString("\n……另有 %1 个").arg(rows.size() - kNamed);
    if (context_.services.boxes.Show(question, kTitle, kQuestionBox, this) != BoxAnswer::Ok) return;
    int failed = 0;
    for (const int row : rows) {
        check::RecordFinding& finding = findings_[static_cast<std::size_t>(row)];
        try {
            data::TADOQuery query(context_.DataModule1.ADOConnection1);
            check::AdoptRegistryDate(query, finding.record.address, *finding.registry.expiry);
        } catch (const std::exception&) {
            ++failed;
            continue;
        }
        finding.record.domain_runs_out = finding.registry.expiry;
        check::Judge(finding, settings_);
        ShowFinding(row, finding);
    }
    ShowCount();
    if (context_.windows) context_.windows->RefreshMainList();
    if (failed) {
        context_.services.boxes.Show(failed == static_cast<int>(rows.size())
                                         ? QString("数据修改出错")
                                         : QString("数据修改出错：%1 个网站没有改成（其余已改）").arg(failed),
                                     "日期资料", kErrorBox, this);
        return;
    }
    context_.services.boxes.Show("数据修改成功", "日期资料", kWarningBox, this);
}

std::vector<std::vector<std::string>> CheckWindow::ListRows() const {
    std::vector<std::vector<std::string>> rows;
    for (int row = 0; row < CheckGrid->rowCount(); ++row) {
        std::vector<std::string> cells;
        for (int column = 0; column < CheckGrid->columnCount(); ++column) {
            const QTableWidgetItem* item = CheckGrid->item(row, column);
            cells.push_back(item ? item->text().toStdString() : std::string());
        }
        rows.push_back(std::move(cells));
    }
    return rows;
}

void CheckWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    const int w = width();
    const int h = height();
    CheckGrid->setGeometry(kMargin, kMargin, w - 2 * kMargin, h - kBottom - kMargin);
    const int below = h - kBottom + 8;
    ProgressBar1->setGeometry(kMargin, below, 420, 22);
    StatusLabel->setGeometry(432, below, w - 432 - kMargin, 22);
    RefreshBox->setGeometry(kMargin, below + 30, 170, 28);
    int x = (w - (96 + 86 + 130 + 96 + 30)) / 2;
    for (auto [button, width] : {std::pair{StartButton, 96}, std::pair{StopButton, 86}, std::pair{AdoptButton, 130},
                                 std::pair{ExportButton, 96}}) {
        button->setGeometry(std::max(x, 180), below + 28, width, 32);
        x += width + 10;
    }
}

void CheckWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!centred_) {
        CentreOnScreen(this);
        centred_ = true;
    }
}

void CheckWindow::closeEvent(QCloseEvent* event) {
    StopCheck();
    QWidget::closeEvent(event);
}

}  // namespace sitora::ui
