#include "ui/login/login_window.h"

#include <QCloseEvent>
#include <QFrame>
#include <QKeyEvent>

#include "base/text/cp936.h"
#include "protect/block_store.h"
#include "ui/toolkit/messages.h"
#include "ui/toolkit/widgets.h"

namespace sitora::ui {
namespace {

std::string Bytes(const QLineEdit* edit) { return text::ToCp936(edit->text().toStdString()); }

}  // namespace

TForm6::TForm6(AppContext& context) : context_(context) {
    setObjectName("Form6");
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowStaysOnTopHint);
    SetUpWindow(this, "登录", kNarrowWidth, 159);

    Panel1 = new QFrame(this);
    Panel1->setObjectName("Panel1");
    Panel1->setGeometry(0, 0, 305, 159);
    Panel1->setFrameShape(QFrame::StyledPanel);
    MakeLabel(Panel1, "Label1", "登录密码：", QRect(24, 40, 80, 22));
    Edit1 = MakeEdit(Panel1, "Edit1", QRect(104, 38, 176, 24), true);
    BitBtn1 = MakeButton(Panel1, "BitBtn1", "登 录", QRect(24, 100, 80, 30));
    auto* change = MakeButton(Panel1, "BitBtn2", "修改密码", QRect(112, 100, 80, 30));
    auto* quit = MakeButton(Panel1, "BitBtn5", "退 出", QRect(200, 100, 80, 30));

    Panel2 = new QFrame(this);
    Panel2->setObjectName("Panel2");
    Panel2->setGeometry(306, 0, 305, 159);
    Panel2->setFrameShape(QFrame::StyledPanel);
    MakeLabel(Panel2, "Label2", "原始密码：", QRect(24, 14, 80, 22));
    MakeLabel(Panel2, "Label3", "新的密码：", QRect(24, 46, 80, 22));
    MakeLabel(Panel2, "Label4", "确认密码：", QRect(24, 78, 80, 22));
    Edit2 = MakeEdit(Panel2, "Edit2", QRect(104, 12, 176, 24), true);
    Edit3 = MakeEdit(Panel2, "Edit3", QRect(104, 44, 176, 24), true);
    Edit4 = MakeEdit(Panel2, "Edit4", QRect(104, 76, 176, 24), true);
    Button1 = MakeButton(Panel2, "Button1", "修 改", QRect(60, 116, 80, 30));
    auto* cancel = MakeButton(Panel2, "BitBtn3", "取 消", QRect(170, 116, 80, 30));
    Panel2->setEnabled(false);  // out of sight until "修改密码"

    connect(BitBtn1, &QPushButton::clicked, this, &TForm6::LogIn);
    connect(change, &QPushButton::clicked, this, &TForm6::ShowChangePanel);
    connect(quit, &QPushButton::clicked, this, [this] { context_.end_application(); });
    connect(Button1, &QPushButton::clicked, this, &TForm6::ChangePassword);
    connect(cancel, &QPushButton::clicked, this, &TForm6::HideChangePanel);
    // Enter in the login entry logs in, Enter in the confirmation changes the password.
    Edit1->installEventFilter(this);
    Edit4->installEventFilter(this);
}

bool TForm6::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            if (watched == Edit1) BitBtn1->click();
            if (watched == Edit4) Button1->click();
        }
    }
    return QWidget::eventFilter(watched, event);
}

void TForm6::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (loaded_) return;
    loaded_ = true;
    CentreOnScreen(this);
    Edit1->setFocus();
    LoadLoginPassword();
}

void TForm6::LoadLoginPassword() {
    try {
        auto value = protect::LoadValue(context_.ProgramFile("key.exe"),
                                        context_.TransferFile(protect::kPasswordLoadTransfer));
        if (value) login_password_ = *value;
    } catch (const std::exception&) {
        context_.services.boxes.Show(WithContactLines("软件出错,请检查是否缺少必要的文件"), kPromptTitle, kErrorBox);
        context_.end_application();
    }
}

void TForm6::LogIn() {
    if (Bytes(Edit1) != login_password_) {
        context_.services.boxes.Show(WithContactLines("密码出错"), kPromptTitle, kErrorBox);
        Edit1->clear();
        return;
    }
    logged_in_ = true;
    if (context_.windows) context_.windows->ShowMainWindow();
    for (QLineEdit* edit : {Edit1, Edit2, Edit3, Edit4}) edit->clear();
    hide();
}

void TForm6::ChangePassword() {
    auto& boxes = context_.services.boxes;
    try {
        if (Bytes(Edit2) != login_password_) {
            boxes.Show("原始密码输入有错", kPromptTitle, kErrorBox);
            return;
        }
        if (Bytes(Edit3).size() < 6) {
            boxes.Show("密码位数小于6位", kPromptTitle, kErrorBox);
            return;
        }
        if (Edit3->text() != Edit4->text()) {
            boxes.Show("两次密码输入不一致", kPromptTitle, kErrorBox);
            return;
        }
        const std::string new_password = Bytes(Edit4);
        if (!protect::StoreValue(new_password, context_.ProgramFile("key.exe"),
                                 context_.TransferFile(protect::kPasswordStoreTransfer)))
            return;  // the carrier could not be written: the panels stay open
        // The stored password is the one that logs in from now on, in this process too.
        login_password_ = new_password;
        boxes.Show("登录密码修改成功！", kPromptTitle, kWarningBox);
        HideChangePanel();
        raise();
        activateWindow();
    } catch (const std::exception&) {
        boxes.Show(WithContactLines("密码修改出错,请检查是否缺少必要的文件"), kPromptTitle, kErrorBox);
    }
}

void TForm6::ShowChangePanel() { SetWidth(kWideWidth); }
void TForm6::HideChangePanel() { SetWidth(kNarrowWidth); }

void TForm6::SetWidth(int width) {
    // The left edge stays; the window grows or shrinks at its right edge. The change panel takes
    // no focus while it is out of sight: Tab never leads into entries nobody sees.
    Panel2->setEnabled(width == kWideWidth);
    setFixedSize(width, height());
}

void TForm6::closeEvent(QCloseEvent* event) {
    event->ignore();
    if (context_.windows) context_.windows->HideMainWithBanner();
}

}  // namespace sitora::ui
