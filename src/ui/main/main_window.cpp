#include "ui/main/main_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSystemTrayIcon>
#include <QVBoxLayout>

#include "data/folder_preparation.h"
#include "base/text/cp936.h"
#include "protect/block_store.h"
#include "data/account_upgrade.h"
#include "protect/data_key.h"
#include "protect/keyring.h"
#include "remind/reminder_log.h"
#include "ui/main/due_reminder.h"
#include "ui/main/export_command.h"
#include "ui/main/search_bar.h"
#include "ui/toolkit/data_grid.h"
#include "ui/toolkit/messages.h"
#include "ui/toolkit/program_font.h"
#include "ui/toolkit/widgets.h"

namespace sitora::ui {
namespace {

QString KeyringFaultText(const protect::KeyringError& error) {
    switch (error.Fault()) {
    case protect::KeyringFault::kNoService: return "连接不到密钥环服务";
    case protect::KeyringFault::kLocked: return "密钥环已锁定";
    case protect::KeyringFault::kMissing: return "密钥环中没有这个程序文件夹的数据密钥";
    case protect::KeyringFault::kFailed: break;
    }
    return "密钥环拒绝了请求（" + QString::fromStdString(error.what()) + "）";
}

}  // namespace


TForm1::TForm1(AppContext& context) : context_(context) {
    setObjectName("Form1");
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    SetUpWindow(this, "Sitora V1.0", 862, 591);

    BuildTopBar();

    auto* group = new QGroupBox("网站资料", this);
    group->setObjectName("GroupBox1");
    group->setGeometry(4, 44, 854, 474);
    auto* layout = new QVBoxLayout(group);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->setSpacing(2);
    DBGrid1 = new DataGrid(context_.DataModule1.ADOQuery1, gridexport::MainListGrid(), true, group);
    DBGrid1->setContextMenuPolicy(Qt::CustomContextMenu);
    // A list emptied under it (by the compaction closing the connection) leaves the commands
    // as an empty list does.
    connect(DBGrid1, &DataGrid::emptied, this, [this] { SetRecordCommandsEnabled(false); });
    search_bar_ = new SearchBar(context_, *DBGrid1, "Edit1",
                                "查询失败,请检查关键字格式是否正确\r日期格式：####-##-##", group);
    layout->addWidget(DBGrid1);
    layout->addWidget(search_bar_);

    export_ = std::make_unique<ExportCommand>(context_, *DBGrid1);
    BuildBottomRow();

    auto* status = MakeLabel(this, "StatusBar1", "   在表格上右击，可以快捷操作", QRect(0, 567, 862, 24));
    status->setAlignment(Qt::AlignCenter);
    status->setFrameShape(QFrame::StyledPanel);

    // Hidden fields other windows read: the two threshold dates and the data key.
    Edit2 = MakeEdit(this, "Edit2", QRect(0, 0, 10, 10));
    Edit3 = MakeEdit(this, "Edit3", QRect(0, 0, 10, 10));
    Edit4 = MakeEdit(this, "Edit4", QRect(0, 0, 10, 10));
    Edit2->setText("Edit2");
    Edit3->setText("Edit3");
    for (QLineEdit* hidden : {Edit2, Edit3, Edit4}) {
        hidden->setEnabled(false);
        hidden->hide();
    }

    BuildMenus();
    connect(DBGrid1, &DataGrid::cellClicked, this, &TForm1::RememberClickedRow);
    connect(DBGrid1, &DataGrid::rowDoubleClicked, this, &TForm1::ShowDetail);
    connect(DBGrid1, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { PopupMenu2->popup(DBGrid1->viewport()->mapToGlobal(at)); });
}

TForm1::~TForm1() = default;

void TForm1::BuildTopBar() {
    auto* bar = new QFrame(this);
    bar->setObjectName("Panel1");
    bar->setGeometry(0, 0, 862, 41);
    const QString caption_style = "color: rgb(59, 90, 130);";
    int x = 12;
    auto counter = [&](const char* caption_name, const QString& caption, const char* value_name, const char* colour) {
        MakeLabel(bar, caption_name, caption, QRect(x, 10, 90, 22))->setStyleSheet(caption_style);
        QLabel* value = MakeLabel(bar, value_name, "00000", QRect(x + 90, 10, 50, 22));
        value->setStyleSheet(QString("color: %1;").arg(colour));
        x += 150;
        return value;
    };
    Label3 = counter("Label2", "总行数：", "Label3", "green");
    Label5 = counter("Label4", "空间到期数：", "Label5", "maroon");
    Label7 = counter("Label6", "域名到期数：", "Label7", "maroon");
    auto* refresh = MakeButton(bar, "BitBtn8", "刷  新", QRect(480, 6, 86, 29), "查询空间和域名的到期数量");
    BitBtn12 = MakeButton(bar, "BitBtn12", "查 询", QRect(572, 6, 86, 29), "查询空间和域名到期数");
    auto* settings = MakeButton(bar, "BitBtn13", "设 置", QRect(664, 6, 86, 29), "报警提醒设置/压缩数据库/密钥设置");
    auto* help = MakeButton(bar, "BitBtn15", "在线帮助", QRect(756, 6, 96, 29));
    BitBtn12->setEnabled(false);
    connect(refresh, &QPushButton::clicked, this, &TForm1::RefreshCounters);
    connect(BitBtn12, &QPushButton::clicked, this, [this] {
        hide();
        if (context_.windows) context_.windows->Show(Window::kExpiry);
    });
    connect(settings, &QPushButton::clicked, this, [this] {
        if (context_.windows) context_.windows->Show(Window::kSettings);
    });
    connect(help, &QPushButton::clicked, this, [this] {
        if (context_.windows) context_.windows->Show(Window::kHelp);
    });
}

void TForm1::BuildBottomRow() {
    struct BottomButton {
        const char* name;
        const char* caption;
        const char* hint;
        void (TForm1::*action)();
        bool record_command;
    };
    const BottomButton buttons[] = {
        {"BitBtn2", "添加网站", "添加新的网站资料", nullptr, false},
        {"BitBtn3", "修改记录", "修改选择的网站资料", &TForm1::ModifyRecord, true},
        {"BitBtn4", "删除记录", "删除选择行", &TForm1::DeleteRecords, true},
        {"BitBtn5", "访问网站", "访问选择网站的前台", &TForm1::VisitSite, true},
        {"BitBtn6", "访问后台", "访问选择网站的后台", &TForm1::VisitBackEnd, true},
        {"BitBtn1", "刷新", "显示全部网站资料", &TForm1::RefreshList, false},
        {"BitBtn7", "导出数据", "", &TForm1::ExportList, true},
        {"BitBtn9", "查询", "", nullptr, true},
        {"BitBtn14", "查询明细", "", &TForm1::ShowDetail, true},
    };
    int x = 6;
    for (const BottomButton& entry : buttons) {
        QPushButton* button = MakeButton(this, entry.name, entry.caption, QRect(x, 526, 88, 32), entry.hint);
        x += 95;
        if (entry.action) connect(button, &QPushButton::clicked, this, entry.action);
        if (entry.record_command) {
            button->setEnabled(false);
            record_buttons_.push_back(button);
        }
    }
    connect(findChild<QPushButton*>("BitBtn2"), &QPushButton::clicked, this, [this] {
        if (context_.windows) context_.windows->Show(Window::kAdd);
    });
    connect(findChild<QPushButton*>("BitBtn9"), &QPushButton::clicked, search_bar_, &SearchBar::Toggle);
}

void TForm1::BuildMenus() {
    // The grid's menu: each item runs its button.
    PopupMenu2 = new QMenu(this);
    PopupMenu2->setObjectName("PopupMenu2");
    auto item_for = [this](const char* name, const QString& caption, const char* button_name, bool record) {
        QAction* item = AddMenuItem(PopupMenu2, name, caption);
        auto* button = findChild<QPushButton*>(button_name);
        connect(item, &QAction::triggered, button, &QPushButton::click);
        if (record) {
            item->setEnabled(false);
            record_items_.push_back(item);
        }
    };
    item_for("N4", "添加新网站", "BitBtn2", false);
    item_for("N5", "修改记录", "BitBtn3", true);
    item_for("N6", "删除记录", "BitBtn4", true);
    PopupMenu2->addSeparator();
    item_for("N12", "刷    新", "BitBtn1", false);
    item_for("N17", "查询明细", "BitBtn14", true);
    item_for("N10", "导出数据", "BitBtn7", true);
    PopupMenu2->addSeparator();
    // The visit items follow the visit rule themselves, whatever the buttons' state.
    QAction* visit_site = AddMenuItem(PopupMenu2, "N8", "访问网站");
    QAction* visit_back_end = AddMenuItem(PopupMenu2, "N9", "访问后台");
    for (QAction* item : {visit_site, visit_back_end}) {
        item->setEnabled(false);
        record_items_.push_back(item);
    }
    connect(visit_site, &QAction::triggered, this, &TForm1::VisitSite);
    connect(visit_back_end, &QAction::triggered, this, &TForm1::VisitBackEnd);
    PopupMenu2->addSeparator();
    connect(AddMenuItem(PopupMenu2, "ImportItem", "导入数据"), &QAction::triggered, this, &TForm1::ShowImportWindow);
    connect(AddMenuItem(PopupMenu2, "CheckItem", "核对域名与证书"), &QAction::triggered, this, &TForm1::ShowCheckWindow);
    connect(AddMenuItem(PopupMenu2, "N16", "在线帮助"), &QAction::triggered, this, &TForm1::ShowContact);

    // The icon's menu.
    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName("PopupMenu1");
    connect(AddMenuItem(PopupMenu1, "N1", "显示主界面"), &QAction::triggered, this, [this] {
        show();
        raise();
        activateWindow();
    });
    PopupMenu1->addSeparator();
    connect(AddMenuItem(PopupMenu1, "ImportTrayItem", "导入数据"), &QAction::triggered, this, &TForm1::ShowImportWindow);
    connect(AddMenuItem(PopupMenu1, "CheckTrayItem", "核对域名与证书"), &QAction::triggered, this,
            &TForm1::ShowCheckWindow);
    QAction* reminders = AddMenuItem(PopupMenu1, "ReminderItem", "到期提醒");
    reminders->setCheckable(true);
    reminders->setChecked(remind::WindowRemindersOn());
    connect(reminders, &QAction::toggled, this, [reminders](bool on) {
        try {
            remind::SetWindowRemindersOn(on);
        } catch (const std::exception&) {
            const QSignalBlocker quiet(reminders);
            reminders->setChecked(!on);  // not remembered: the item says what holds
        }
    });
    PopupMenu1->addSeparator();
    connect(AddMenuItem(PopupMenu1, "N3", "退出软件"), &QAction::triggered, this, &TForm1::QuitSoftware);
    PopupMenu1->addSeparator();
    connect(AddMenuItem(PopupMenu1, "N13", "在线帮助"), &QAction::triggered, this, &TForm1::ShowContact);
}

void TForm1::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!event->spontaneous()) FirstShow();
}

void TForm1::FirstShow() {
    if (first_show_done_) return;
    CentreOnScreen(this);
    bool connected = false;
    try {
        // The Windows version's Access db.mdb is converted once; a compaction cut short by a
        // crash is finished or undone before anything reads db.mdb; nothing of the register is
        // touched before the login.
        const data::FolderPreparation preparation = data::PrepareProgramFolder(context_.ProgramFolderBytes());
        ReportFolderPreparation(preparation);
        context_.DataModule1.SetUpConnection(context_.ProgramFolderBytes());
        connected = true;
        std::optional<std::string> key;
        try {
            key = protect::LoadDataKey(context_.ProgramFolderBytes(),
                                       context_.TransferFile(protect::kKeyLoadTransfer).parent_path());
        } catch (const protect::KeyringError& error) {
            // The key is in a keyring that cannot give it: the lists, counters, exports and
            // reminders work on, and no account is revealed or written until it can.
            context_.data_key.MarkUnavailable();
            first_show_done_ = true;
            context_.services.boxes.Show(KeyringUnavailableText(KeyringFaultText(error)), kPromptTitle, kErrorBox);
        }
        if (key) {
            context_.data_key.Hold(*key);
            Edit4->setText(QString::fromStdString(text::FromCp936(*key)));
            protect::Wipe(*key);
            first_show_done_ = true;
        }
        if (preparation.conversion && context_.data_key.Available()) SealConvertedAccounts();
        if (context_.windows) context_.windows->Show(Window::kBanner);
    } catch (const std::exception&) {
        context_.services.boxes.Show(WithContactLines("数据库接连失败，请查看数据库文件是否存在"), kPromptTitle,
                                     kErrorBox);
        context_.end_application();
    }
    AddTrayIcon();
    if (connected && context_.notifier && !reminder_) {
        reminder_ = new DueReminder(context_, *context_.notifier, tray_, [this] { ShowDueList(); }, this);
        reminder_->Start();
    }
}

void TForm1::SealConvertedAccounts() {
    // The Windows version's scramble goes at once: the accounts of a register just converted are
    // sealed under the register key (records of another data key stay as they were). Should that
    // fail, the register works on in the old form, the user is told, and sitora-cli protect can
    // finish it later.
    try {
        data::UpgradeAccounts(context_.DataModule1, context_.ProgramFolderBytes(), context_.data_key.View(),
                              /*leave_other_keys=*/true);
    } catch (const std::exception&) {
        context_.services.boxes.Show(
            "转换后的账号资料未能加密，仍以旧的方式保存，登记簿照常可用。\r请退出程序后在终端运行：\r"
            "sitora-cli protect --folder " + context_.program_folder,
            kPromptTitle, kErrorBox);
    }
}

void TForm1::ReportFolderPreparation(const data::FolderPreparation& preparation) {
    auto& boxes = context_.services.boxes;
    if (preparation.conversion)
        boxes.Show(QString::fromStdString(data::ConversionMessage(*preparation.conversion, "\r")), kPromptTitle,
                   kWarningBox);
    if (preparation.refusal)
        boxes.Show(QString::fromStdString(data::ConversionRefusalMessage(*preparation.refusal, "\r")), kPromptTitle,
                   kErrorBox);
}

void TForm1::AddTrayIcon() {
    if (tray_) return;  // the same icon again: still one icon
    tray_ = new QSystemTrayIcon(ProgramIcon(), this);
    tray_->setObjectName("TrayIcon");
    tray_->setToolTip("双击显示主界面");
    tray_->setContextMenu(PopupMenu1);
    connect(tray_, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        // Panels that speak the StatusNotifier protocol deliver a double-click as a plain
        // activation.
        if (reason == QSystemTrayIcon::DoubleClick || reason == QSystemTrayIcon::Trigger) ShowFromIcon();
    });
    if (context_.tray_available) tray_->show();
}

void TForm1::ShowFromIcon() {
    showNormal();
    if (context_.windows) context_.windows->Show(Window::kBanner);
    raise();
    activateWindow();
}

void TForm1::ShowDueList() {
    RefreshCounters();
    if (!BitBtn12->isEnabled() || !context_.windows) {
        ShowFromIcon();  // renewed in the meantime: nothing is due
        return;
    }
    hide();
    context_.windows->Show(Window::kExpiry);
    context_.windows->RefreshExpiryList();
    context_.windows->Bring(Window::kExpiry);
}

void TForm1::QuitSoftware() {
    if (tray_) tray_->hide();
    context_.end_application();
}

void TForm1::HideWithBanner() {
    hide();
    if (context_.windows) context_.windows->Hide(Window::kBanner);
}

void TForm1::closeEvent(QCloseEvent* event) {
    event->ignore();
    if (context_.tray_available) {
        HideWithBanner();
    } else {
        // No notification area to come back from, nor to end the program from: closing the
        // main window ends it, as "退出软件" in the icon's menu would.
        QuitSoftware();
    }
}

void TForm1::ShowContact() { context_.services.boxes.Show(ContactText(), "在线帮助", kWarningBox); }

QString TForm1::SpaceThreshold() const { return Edit2->text(); }
QString TForm1::DomainThreshold() const { return Edit3->text(); }

}  // namespace sitora::ui
