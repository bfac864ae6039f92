#include "ui/expiry/expiry_window.h"

#include <QAction>
#include <QCloseEvent>
#include <QGroupBox>
#include <QMenu>
#include <QPushButton>
#include <QVBoxLayout>

#include "data/catalogue/statements.h"
#include "ui/main/export_command.h"
#include "ui/main/search_bar.h"
#include "ui/records/record_values.h"
#include "ui/toolkit/data_grid.h"
#include "ui/toolkit/messages.h"
#include "ui/toolkit/widgets.h"

namespace sitora::ui {
namespace {

constexpr int kAddressColumn = 2;

}  // namespace

TForm4::TForm4(AppContext& context) : context_(context) {
    setObjectName("Form4");
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                   Qt::WindowStaysOnTopHint);
    SetUpWindow(this, "网站到期查询", 861, 569);

    auto* group = new QGroupBox("网站资料", this);
    group->setObjectName("GroupBox1");
    group->setGeometry(4, 4, 853, 512);
    DBGrid1 = new DataGrid(context_.DataModule1.ADOQuery5, gridexport::ExpiryListGrid(), false, group);
    DBGrid1->setGeometry(6, 20, 841, 486);
    DBGrid1->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(DBGrid1, &DataGrid::emptied, this, [this] {
        SetListCommandsEnabled(false);
        N1->setEnabled(true);
    });
    // The bar lies over the grid's lowest rows while it is shown.
    search_bar_ = new SearchBar(context_, *DBGrid1, "Edit2", "查询失败", group);
    search_bar_->setGeometry(6, 506 - 41, 841, 41);
    export_ = std::make_unique<ExportCommand>(context_, *DBGrid1);

    auto* refresh = MakeButton(this, "BitBtn4", "刷 新", QRect(250, 527, 86, 32), "显示所有数据");
    auto* export_button = MakeButton(this, "BitBtn1", "导 出", QRect(346, 527, 86, 32), "导出数据");
    auto* detail = MakeButton(this, "BitBtn2", "查询明细", QRect(442, 527, 86, 32), "查询选择行的详细数据");
    auto* search = MakeButton(this, "BitBtn3", "查 询", QRect(538, 527, 86, 32), "在当前表格中查询");
    list_buttons_ = {export_button, detail, search};
    connect(refresh, &QPushButton::clicked, this, &TForm4::RefreshExpiryList);
    connect(export_button, &QPushButton::clicked, this, &TForm4::ExportList);
    connect(detail, &QPushButton::clicked, this, &TForm4::ShowDetail);
    connect(search, &QPushButton::clicked, search_bar_, &SearchBar::Toggle);

    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName("PopupMenu1");
    N1 = AddMenuItem(PopupMenu1, "N1", "刷 新");
    PopupMenu1->addSeparator();
    QAction* N3 = AddMenuItem(PopupMenu1, "N3", "导 出");
    PopupMenu1->addSeparator();
    QAction* N5 = AddMenuItem(PopupMenu1, "N5", "查 询");
    QAction* N6 = AddMenuItem(PopupMenu1, "N6", "查询明细");
    PopupMenu1->addSeparator();
    QAction* N8 = AddMenuItem(PopupMenu1, "N8", "在线帮助");
    connect(N1, &QAction::triggered, refresh, &QPushButton::click);
    connect(N3, &QAction::triggered, export_button, &QPushButton::click);
    connect(N5, &QAction::triggered, search, &QPushButton::click);
    connect(N6, &QAction::triggered, detail, &QPushButton::click);
    connect(N8, &QAction::triggered, this,
            [this] { context_.services.boxes.Show(ContactText(), "在线帮助", kWarningBox); });
    list_items_ = {N3, N5, N6};
    SetListCommandsEnabled(false);
    N1->setEnabled(true);

    connect(DBGrid1, &DataGrid::rowDoubleClicked, this, &TForm4::ShowDetail);
    connect(DBGrid1, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { PopupMenu1->popup(DBGrid1->viewport()->mapToGlobal(at)); });
}

void TForm4::SetListCommandsEnabled(bool enabled) {
    for (QPushButton* button : list_buttons_) button->setEnabled(enabled);
    for (QAction* item : list_items_) item->setEnabled(enabled);
    N1->setEnabled(enabled);
}

void TForm4::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!centred_) CentreOnScreen(this);
    centred_ = true;
}

void TForm4::RefreshExpiryList() {
    auto& query = context_.DataModule1.ADOQuery5;
    try {
        if (!context_.windows) return;
        const auto [space, domain] = context_.windows->LeadThresholds();
        const std::string statement = data::sql::ExpiryList(Trimmed(space), Trimmed(domain));
        query.Close();
        query.SetSQL(statement);
        query.Open();
        DBGrid1->Reload();
        const bool has_rows = query.RecordCount() > 0;
        SetListCommandsEnabled(has_rows);
        if (!has_rows) search_bar_->hide();
    } catch (const std::exception&) {
        DBGrid1->Reload();
        context_.services.boxes.Show("查询失败", kPromptTitle, kErrorBox);
    }
}

void TForm4::ShowDetail() {
    try {
        auto& list = context_.DataModule1.ADOQuery5;
        if (!list.Active() || list.RecordCount() == 0 || !context_.windows) return;
        const QString address = QString::fromStdString(data::AsString(list.Field(kAddressColumn)));
        if (address.isEmpty()) return;
        context_.windows->MarkRecordFromExpiryList(true);
        context_.windows->OpenRecord(address, true);
    } catch (const std::exception&) {
        // The hand-over fails silently.
    }
}

TForm4::~TForm4() = default;

void TForm4::ExportList() { export_->Run(); }

void TForm4::closeEvent(QCloseEvent* event) {
    QWidget::closeEvent(event);
    if (!context_.windows) return;
    context_.windows->ShowMainWindow();
    context_.windows->RefreshMainList();
    context_.windows->MarkRecordFromExpiryList(false);
}

}  // namespace sitora::ui
