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

#include "data/ado_connection.h"
#include "data/data_error.h"
#include "data/record_entry.h"
#include "data/catalogue/statements.h"
#include "base/text/clock.h"
#include "base/text/cp936.h"
#include "ui/records/record_values.h"
#include "ui/toolkit/messages.h"
#include "ui/toolkit/widgets.h"

namespace sitora::ui {
namespace {

const QString kAdded = "数据库添加成功";

}  // namespace

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
    if (!data::NumberLongEnough(number)) {
        boxes.Show("网站编号不能为空,并且位数不能小于6位", kPromptTitle, kErrorBox);
        return;
    }
    const QString verdict = CheckAndInsert(number);
    boxes.Show(verdict, kPromptTitle, verdict == kAdded ? kWarningBox : kErrorBox);
}

QString TForm2::CheckAndInsert(const std::string& number) {
    // The look-ups and the insert are one step under the register's write lock: another
    // process adding the same site at the same moment either comes first and is found, or
    // waits. The box comes after the lock is let go.
    auto& query = context_.DataModule1.ADOQuery2;
    try {
        // The key that seals the accounts is opened (or made) before the transaction: a key made
        // inside one that is undone would be lost. A data key that does not open it adds nothing.
        const std::string_view data_key = context_.data_key.View();
        const protect::SecretBytes* register_key = context_.DataModule1.RegisterKey(data_key, true);
        if (!register_key) return "数据添加失败";
        data::ScopedTransaction transaction(context_.DataModule1.ADOConnection1);
        if (Exists(data::sql::AddressExists(Trimmed(fields_.edit[3])))) return "此网站地址已经存在";
        if (Exists(data::sql::NumberExists(number))) return "此网站编号已经存在";
        if (auto error = DateOrderError(fields_)) return *error;
        Insert(*register_key);
        transaction.Commit();
        return kAdded;
    } catch (const data::DuplicateValue& duplicate) {
        // Another operator of a shared register added the same site a moment before.
        const std::string& column = duplicate.Column();
        return column == "web_id" ? "此网站编号已经存在" : column == "web_address" ? "此网站地址已经存在" : "数据添加失败";
    } catch (const data::RegisterKeyMissing&) {
        query.Close();
        return "数据添加失败\r" + kRegisterKeyMissingText;
    } catch (const std::exception&) {
        query.Close();
        return "数据添加失败";
    }
}

void TForm2::Insert(const protect::SecretBytes& register_key) {
    const auto& edit = fields_.edit;
    static constexpr std::pair<int, std::string_view> kEditColumns[] = {
        {1, "web_id"},       {2, "web_name"},        {3, "web_address"},     {4, "web_login"},
        {5, "web_user"},     {6, "web_pass"},        {7, "web_ip"},          {8, "web_domain"},
        {9, "web_domainuser"}, {10, "web_domainpass"}, {11, "web_linkman"},   {12, "web_size"},
        {13, "web_dbname"},  {14, "web_dbsize"},     {15, "web_dbip"},       {16, "web_dbuser"},
        {17, "web_dbpass"},  {21, "web_dbtype"}};
    data::RecordEntry entry;
    for (const auto& [field, column] : kEditColumns) entry[column] = edit[field]->text().toStdString();
    entry["web_time"] = DateText(fields_.dates[kSpacePurchase]).toStdString();
    entry["web_endtime"] = DateText(fields_.dates[kSpaceExpiry]).toStdString();
    entry["web_domaintime"] = DateText(fields_.dates[kDomainApplication]).toStdString();
    entry["web_enddomaintime"] = DateText(fields_.dates[kDomainExpiry]).toStdString();
    entry["web_remark"] = fields_.Memo1->toPlainText().toStdString();
    data::InsertRecord(context_.DataModule1.ADOQuery2, entry, register_key);
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
    if (context_.windows) context_.windows->RefreshMainList();
}

}  // namespace sitora::ui
