#include "ui/records/add_window.h"

#include <QCloseEvent>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QRegularExpressionValidator>

#include "app/data/statements.h"
#include "app/text/clock.h"
#include "app/text/cp936.h"
#include "protect/protected_fields.h"
#include "ui/main/main_window.h"
#include "ui/records/record_values.h"
#include "ui/toolkit/messages.h"
#include "ui/toolkit/widgets.h"

namespace sitora::ui {

TForm2::TForm2(AppContext& context) : context_(context) {
    setObjectName("Form2");
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                   Qt::WindowStaysOnTopHint);
    SetUpWindow(this, "添加新网站", 795, 532);
    fields_ = BuildRecordFields(this, 0);
    const int y = fields_.remark->geometry().bottom() + 12;
    auto* add = MakeButton(this, "BitBtn1", "添  加", QRect(230, y, 90, 32));
    auto* clear = MakeButton(this, "BitBtn3", "清  空", QRect(352, y, 90, 32));
    auto* exit = MakeButton(this, "BitBtn2", "退   出", QRect(474, y, 90, 32));
    connect(add, &QPushButton::clicked, this, &TForm2::AddRecord);
    connect(clear, &QPushButton::clicked, this, &TForm2::ClearFields);
    connect(exit, &QPushButton::clicked, this, &TForm2::Exit);
    // The number field takes digits only, however they come (typed, pasted, from an input
    // method), and fills itself with the time when left-clicked empty.
    QLineEdit* number = fields_.edit[1];
    number->setValidator(new QRegularExpressionValidator(QRegularExpression("[0-9]*"), number));
    number->installEventFilter(this);
}

bool TForm2::eventFilter(QObject* watched, QEvent* event) {
    QLineEdit* number = fields_.edit[1];
    if (watched == number && event->type() == QEvent::MouseButtonPress && number->text().isEmpty() &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton)
        number->setText(QString::fromStdString(text::TimeStamp14(text::Now())));
    return QWidget::eventFilter(watched, event);
}

void TForm2::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!centred_) CentreOnScreen(this);
    centred_ = true;
}

bool TForm2::Exists(const std::string& statement) {
    auto& query = context_.DataModule1.ADOQuery2;
    query.Close();
    query.SetSQL(statement);
    query.Open();
    const bool found = query.RecordCount() > 0;
    query.Close();
    return found;
}

void TForm2::AddRecord() {
    auto& boxes = context_.services.boxes;
    const auto& edit = fields_.edit;
    const std::string number = Trimmed(edit[1]);
    if (text::Cp936Length(number) < 6) {
        boxes.Show("网站编号不能为空,并且位数不能小于6位", kPromptTitle, kErrorBox);
        return;
    }
    try {
        if (Exists(data::sql::AddressExists(Trimmed(edit[3])))) {
            boxes.Show("此网站地址已经存在", kPromptTitle, kErrorBox);
            return;
        }
        if (Exists(data::sql::NumberExists(number))) {
            boxes.Show("此网站编号已经存在", kPromptTitle, kErrorBox);
            return;
        }
    } catch (const std::exception&) {
        context_.DataModule1.ADOQuery2.Close();
        boxes.Show("数据添加失败", kPromptTitle, kErrorBox);
        return;
    }
    if (auto error = DateOrderError(fields_)) {
        boxes.Show(*error, kPromptTitle, kErrorBox);
        return;
    }
    try {
        Insert(number);
        boxes.Show("数据库添加成功", kPromptTitle, kWarningBox);
    } catch (const std::exception&) {
        boxes.Show("数据添加失败", kPromptTitle, kErrorBox);
    }
}

void TForm2::Insert(const std::string& number) {
    const auto& edit = fields_.edit;
    const std::string number_bytes = text::ToCp936(number);
    auto protect = [&](int field) { return protect::ProtectValue(Cp936(edit[field]->text()), number_bytes); };
    const std::string data_key = context_.Form1 ? context_.Form1->DataKey() : std::string();

    auto& query = context_.DataModule1.ADOQuery2;
    query.Close();
    query.SetSQL(data::sql::kInsertRecord);
    query.SetParameter("web_id", number);
    query.SetParameter("web_name", Trimmed(edit[2]));
    query.SetParameter("web_address", Trimmed(edit[3]));
    query.SetParameter("web_login", Trimmed(edit[4]));
    query.SetParameter("web_user", protect(5));
    query.SetParameter("web_pass", protect(6));
    query.SetParameter("web_ip", Trimmed(edit[7]));
    query.SetParameter("web_size", Trimmed(edit[12]));
    query.SetParameter("web_domain", Trimmed(edit[8]));
    query.SetParameter("web_domainuser",
                       protect::ProtectDomainUser(Cp936(edit[9]->text()), number_bytes, data_key));
    query.SetParameter("web_domainpass", protect(10));
    query.SetParameter("web_linkman", Trimmed(edit[11]));
    query.SetParameter("web_dbname", protect(13));
    query.SetParameter("web_dbsize", Trimmed(edit[14]));
    query.SetParameter("web_dbip", protect(15));
    query.SetParameter("web_dbuser", protect(16));
    query.SetParameter("web_dbpass", protect(17));
    query.SetParameter("web_domaintime", DateText(fields_.dates[kDomainApplication]).toStdString());
    query.SetParameter("web_enddomaintime", DateText(fields_.dates[kDomainExpiry]).toStdString());
    query.SetParameter("web_time", DateText(fields_.dates[kSpacePurchase]).toStdString());
    query.SetParameter("web_endtime", DateText(fields_.dates[kSpaceExpiry]).toStdString());
    query.SetParameter("web_remark", fields_.Memo1->toPlainText().toStdString());
    query.SetParameter("web_dbtype", Trimmed(edit[21]));
    query.ExecSQL();
}

void TForm2::ClearFields() {
    if (context_.services.boxes.Show("确定要清空吗？", kPromptTitle, kQuestionBox) == BoxAnswer::Ok)
        fields_.ClearTexts();
}

void TForm2::Exit() {
    fields_.ClearTexts();
    close();
}

void TForm2::closeEvent(QCloseEvent* event) {
    QWidget::closeEvent(event);
    if (context_.Form1) context_.Form1->RefreshList();
}

}  // namespace sitora::ui
