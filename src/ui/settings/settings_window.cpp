#include "ui/settings/settings_window.h"

#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>

#include "data/compaction.h"
#include "data/register_key_store.h"
#include "data/catalogue/statements.h"
#include "protect/block_store.h"
#include "protect/data_key.h"
#include "protect/keyring.h"
#include "ui/records/record_values.h"
#include "ui/toolkit/choice_list.h"
#include "ui/toolkit/messages.h"
#include "ui/toolkit/widgets.h"

namespace sitora::ui {
namespace {

// The coloured labels keep the program's bold 13-pixel face: a style sheet would reset it.
const QString kLabelStyle = "color: rgb(59, 90, 130); font-weight: bold; font-size: 13px;";

ChoiceList* MakeDaysList(QWidget* parent, const char* name, QRect geometry) {
    auto* list = new ChoiceList(parent, name, geometry, 1, 31);
    list->setCurrentIndex(2);
    return list;
}

QString FieldText(data::FieldValue value) { return QString::fromStdString(data::AsString(value)); }

}  // namespace

TForm5::TForm5(AppContext& context) : context_(context) {
    setObjectName("Form5");
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint);
    SetUpWindow(this, "软件设置", 268, 210);
    PageControl1 = new QTabWidget(this);
    PageControl1->setObjectName("PageControl1");
    PageControl1->setGeometry(0, 0, 268, 210);
    PageControl1->addTab(BuildLeadTimesTab(), "报警提醒设置");
    PageControl1->addTab(BuildCompactionTab(), "压缩数据库");
    PageControl1->addTab(BuildKeyTab(), "密钥设置");
}

// Where the data key is kept, on the key tab's last line, with the button that moves it: into the
// desktop's keyring (a copy of the program folder then holds no key) or back into sk.exe.
void TForm5::ShowWhereTheKeyIs() {
    try {
        key_in_keyring_ =
            protect::DataKeyInKeyring(context_.ProgramFile(""), context_.TransferFile(protect::kKeyLoadTransfer).parent_path());
        KeyringLabel->setText(key_in_keyring_ ? "密钥存放：密钥环" : "密钥存放：sk.exe");
        KeyringLabel->setToolTip(key_in_keyring_ ? "sk.exe 只保留一个标记：复制程序文件夹不会泄露账号资料"
                                                 : "复制程序文件夹（备份、同步、U 盘）的人都能打开账号资料；"
                                                   "移入桌面的密钥环可以避免这一点");
        KeyringButton->setText(key_in_keyring_ ? "移回 sk.exe" : "移入密钥环");
    } catch (const std::exception&) {
        KeyringLabel->setText("密钥存放：无法读取 sk.exe");
    }
}

void TForm5::MoveDataKey(bool to_keyring) {
    auto& boxes = context_.services.boxes;
    try {
        const auto program = context_.ProgramFile("");
        const auto transfer = context_.TransferFile(protect::kKeyLoadTransfer).parent_path();
        if (to_keyring)
            protect::MoveDataKeyToKeyring(program, transfer);
        else
            protect::MoveDataKeyToFile(program, transfer);
        boxes.Show(to_keyring ? "数据密钥已移入密钥环" : "数据密钥已移回 sk.exe", kPromptTitle, kWarningBox);
    } catch (const protect::KeyringError& error) {
        boxes.Show(QString("数据密钥没有移动：密钥环无法使用（") + QString::fromStdString(error.what()) + "）", kPromptTitle,
                   kErrorBox);
    } catch (const std::exception&) {
        boxes.Show("数据密钥没有移动：无法写入 sk.exe", kPromptTitle, kErrorBox);
    }
    ShowWhereTheKeyIs();
}

QWidget* TForm5::BuildLeadTimesTab() {
    auto* tab = new QWidget;
    tab->setObjectName("TabSheet1");
    MakeLabel(tab, "Label1", "空间到期提前提醒：", QRect(12, 24, 124, 24))->setStyleSheet(kLabelStyle);
    ComboBox1 = MakeDaysList(tab, "ComboBox1", QRect(136, 22, 60, 26));
    MakeLabel(tab, "Label2", "天", QRect(202, 24, 20, 24))->setStyleSheet(kLabelStyle);
    MakeLabel(tab, "Label3", "域名到期提前提醒：", QRect(12, 66, 124, 24))->setStyleSheet(kLabelStyle);
    ComboBox2 = MakeDaysList(tab, "ComboBox2", QRect(136, 64, 60, 26));
    MakeLabel(tab, "Label4", "天", QRect(202, 66, 20, 24))->setStyleSheet(kLabelStyle);
    auto* save = MakeButton(tab, "BitBtn1", "设 置", QRect(30, 118, 86, 30));
    auto* exit = MakeButton(tab, "BitBtn2", "退 出", QRect(140, 118, 86, 30));
    connect(save, &QPushButton::clicked, this, &TForm5::SaveLeadTimes);
    connect(exit, &QPushButton::clicked, this, &QWidget::close);
    return tab;
}

QWidget* TForm5::BuildCompactionTab() {
    auto* tab = new QWidget;
    tab->setObjectName("TabSheet2");
    QLabel* note = MakeLabel(tab, "Label5", "MS Access文件随着使用时间快速增加,解决它的办法是压缩数据库",
                             QRect(16, 16, 230, 72));
    note->setWordWrap(true);
    note->setStyleSheet(kLabelStyle);
    auto* compact = MakeButton(tab, "BitBtn3", "压缩数据库", QRect(70, 110, 120, 32));
    connect(compact, &QPushButton::clicked, this, &TForm5::Compact);
    return tab;
}

QWidget* TForm5::BuildKeyTab() {
    auto* tab = new QWidget;
    tab->setObjectName("TabSheet3");
    MakeLabel(tab, "Label6", "原始密钥：", QRect(12, 12, 76, 22));
    MakeLabel(tab, "Label7", "新密钥：", QRect(12, 42, 76, 22));
    MakeLabel(tab, "Label8", "确认密钥：", QRect(12, 72, 76, 22));
    Edit1 = MakeEdit(tab, "Edit1", QRect(88, 10, 160, 24), true);
    Edit2 = MakeEdit(tab, "Edit2", QRect(88, 40, 160, 24), true);
    Edit3 = MakeEdit(tab, "Edit3", QRect(88, 70, 160, 24), true);
    BitBtn4 = MakeButton(tab, "BitBtn4", "修 改", QRect(30, 102, 86, 28));
    auto* exit = MakeButton(tab, "BitBtn5", "退 出", QRect(140, 102, 86, 28));
    MakeLabel(tab, "Label9", "为了数据更安全，请尽量设置复杂些的密钥", QRect(8, 134, 256, 20));
    KeyringLabel = MakeLabel(tab, "KeyringLabel", "", QRect(8, 158, 132, 24));
    KeyringButton = MakeButton(tab, "KeyringButton", "", QRect(144, 156, 112, 26));
    connect(KeyringButton, &QPushButton::clicked, this, [this] { MoveDataKey(!key_in_keyring_); });
    connect(BitBtn4, &QPushButton::clicked, this, &TForm5::ChangeDataKey);
    connect(exit, &QPushButton::clicked, this, &QWidget::close);
    Edit3->installEventFilter(this);
    return tab;
}

bool TForm5::eventFilter(QObject* watched, QEvent* event) {
    if (watched == Edit3 && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) BitBtn4->click();
    }
    return QWidget::eventFilter(watched, event);
}

void TForm5::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (event->spontaneous()) return;
    if (!centred_) CentreOnScreen(this);
    centred_ = true;
    LoadLeadTimes();
    ShowWhereTheKeyIs();
}

void TForm5::LoadLeadTimes() {
    auto& query = context_.DataModule1.ADOQuery6;
    try {
        query.Close();
        query.SetSQL(data::sql::kLeadTimes);
        query.Open();
        const bool has_row = query.RecordCount() > 0;
        ComboBox1->Choose(has_row ? FieldText(query.FieldByName("web_alarm")) : QString());
        ComboBox2->Choose(has_row ? FieldText(query.FieldByName("domain_alarm")) : QString());
        query.Close();
    } catch (const std::exception&) {
        query.Close();
        context_.services.boxes.Show("数据查询失败", kPromptTitle, kErrorBox);
    }
}

void TForm5::SaveLeadTimes() {
    auto& query = context_.DataModule1.ADOQuery6;
    try {
        query.Close();
        query.SetSQL(data::sql::kStoreLeadTimes);
        query.SetParameter("web_alarm", ComboBox1->currentText().toStdString());
        query.SetParameter("domain_alarm", ComboBox2->currentText().toStdString());
        query.ExecSQL();
        context_.services.boxes.Show("数据修改成功", kPromptTitle, kWarningBox);
    } catch (const std::exception&) {
        context_.services.boxes.Show("数据修改失败", kPromptTitle, kErrorBox);
    }
}

void TForm5::Compact() {
    // Our own connection must not hold the file; the next query opens it again.
    context_.DataModule1.ADOConnection1.Close();
    if (data::CompactDatabase(context_.ProgramFolderBytes()))
        context_.services.boxes.Show("压缩数据库成功", kPromptTitle, kWarningBox);
    else
        context_.services.boxes.Show(WithContactLines("压缩数据库出错"), kPromptTitle, kErrorBox);
}

void TForm5::ChangeDataKey() {
    auto& boxes = context_.services.boxes;
    try {
        const std::string_view current_key = context_.data_key.View();
        if (Cp936(Edit1->text()) != current_key) {
            boxes.Show("原始密钥输入有错", kPromptTitle, kErrorBox);
            return;
        }
        if (Cp936(Edit2->text()).size() < 6) {
            boxes.Show("密钥位数小于6位", kPromptTitle, kErrorBox);
            return;
        }
        if (Edit2->text() != Edit3->text()) {
            boxes.Show("两次密码输入不一致", kPromptTitle, kErrorBox);
            return;
        }
        // The register key is wrapped under the new key together with the carrier's write, so
        // every record stays readable after the restart.
        const std::string new_key = Cp936(Edit3->text());
        const bool stored = data::ChangeDataKey(context_.DataModule1.ADOConnection1, current_key, new_key, [&] {
            return protect::StoreDataKey(context_.ProgramFile(""), context_.TransferFile(protect::kKeyStoreTransfer).parent_path(),
                                         new_key, key_in_keyring_);
        });
        if (!stored) return;  // the carrier could not be written: the window stays open
        boxes.Show("密钥修改成功,请重启本软件！", kPromptTitle, kWarningBox);
        if (context_.windows) context_.windows->QuitSoftware();
    } catch (const std::exception&) {
        boxes.Show(WithContactLines("密钥修改出错,请检查是否缺少必要的文件"), kPromptTitle, kErrorBox);
    }
}

}  // namespace sitora::ui
