#include "ui/records/detail_window.h"

#include <QCloseEvent>
#include <QGroupBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>

#include "data/catalogue/statements.h"
#include "data/record_dates.h"
#include "base/text/cp936.h"
#include "protect/protected_fields.h"
#include "protect/record_reveal.h"
#include "protect/sealed_value.h"
#include "ui/records/record_values.h"
#include "ui/toolkit/choice_list.h"
#include "data/data_error.h"
#include "ui/toolkit/messages.h"
#include "ui/toolkit/widgets.h"

namespace sitora::ui {
namespace {

constexpr int kButtonRoom = 38;

QString LoadErrorText() {
    return "数据查询出错\r帮助网站：" + kMakerWebAddress + "\r帮助QQ：" + kHelpQq;
}

// A date column split at every "-" and every blank; empty pieces do not count.
QStringList DatePieces(const QString& text) {
    QStringList pieces;
    QString piece;
    for (QChar c : text) {
        if (c == '-' || c.unicode() <= 32) {
            if (!piece.isEmpty()) pieces << piece;
            piece.clear();
        } else {
            piece += c;
        }
    }
    if (!piece.isEmpty()) pieces << piece;
    return pieces;
}

QString Text(data::FieldValue value) { return QString::fromStdString(data::AsString(value)); }

}  // namespace

TForm3::TForm3(AppContext& context) : context_(context) {
    setObjectName("Form3");
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                   Qt::WindowStaysOnTopHint);
    SetUpWindow(this, "网站资料修改", 796, 648);
    fields_ = BuildRecordFields(this, kButtonRoom);

    const struct {
        QGroupBox* group;
        const char* save_name;
        const char* save_caption;
        const char* hint;
        const char* exit_name;
        const char* exit_caption;
        void (TForm3::*save)();
    } sections[] = {
        {fields_.site, "BitBtn1", "修  改", "修改网站资料", "BitBtn5", "退  出", &TForm3::SaveSite},
        {fields_.database, "BitBtn2", "修  改", "修改数据库资料", "BitBtn6", "退   出", &TForm3::SaveDatabase},
        {fields_.dates_group, "BitBtn3", "修   改", "修改空间和域名日期", "BitBtn7", "退   出", &TForm3::SaveDates},
        {fields_.remark, "BitBtn4", "修   改", "修改备注信息", "BitBtn8", "退   出", &TForm3::SaveRemark},
    };
    for (int i = 0; i < 4; ++i) {
        const auto& s = sections[i];
        const int y = s.group->height() - kButtonRoom;
        section_buttons_[i] = MakeButton(s.group, s.save_name, s.save_caption, QRect(560, y, 90, 30), s.hint);
        section_buttons_[i + 4] = MakeButton(s.group, s.exit_name, s.exit_caption, QRect(664, y, 90, 30));
        connect(section_buttons_[i], &QPushButton::clicked, this, s.save);
        connect(section_buttons_[i + 4], &QPushButton::clicked, this, &QWidget::close);
    }

    Edit22 = MakeEdit(this, "Edit22", QRect(0, 0, 10, 10));
    Edit22->setEnabled(false);
    Edit22->hide();
    // The number and the address identify the record; they are never edited here.
    fields_.edit[1]->setReadOnly(true);
    fields_.edit[3]->setReadOnly(true);
}

void TForm3::SetExpiryMarker(const QString& text) { Edit22->setText(text); }
QString TForm3::ExpiryMarker() const { return Edit22->text(); }

void TForm3::OpenRecord(const QString& address, bool read_only) {
    fields_.edit[3]->setText(address);
    setWindowTitle(read_only ? "网站资料详细查询" : "网站资料修改");
    for (QPushButton* button : section_buttons_) button->setEnabled(!read_only);
    for (int number : {2, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 21})
        fields_.edit[number]->setReadOnly(read_only);
    fields_.Memo1->setReadOnly(read_only);
    for (const DateLists& lists : fields_.dates)
        for (ChoiceList* list : {lists.year, lists.month, lists.day}) list->SetReadOnly(read_only);
    if (isVisible()) {
        Load();  // the window follows a hand-over at once
    } else {
        show();
    }
    // Over the window that handed the record over (the expiry window is kept on top as well).
    raise();
    activateWindow();
}

void TForm3::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (event->spontaneous()) return;
    if (!centred_) CentreOnScreen(this);
    centred_ = true;
    Load();
}

void TForm3::Load() {
    loaded_ = false;
    auto& query = context_.DataModule1.ADOQuery3;
    try {
        query.Close();
        query.SetSQL(data::sql::LoadRecord(Trimmed(fields_.edit[3])));
        query.Open();
        // With no row every column reads as missing.
        const protect::ColumnReader column = [&query](std::string_view name) -> data::FieldValue {
            return query.RecordCount() > 0 ? query.FieldByName(name) : std::nullopt;
        };
        const std::string_view key = context_.data_key.View();
        // The register key only for a record with sealed accounts: its derivation takes a moment.
        const protect::SecretBytes* register_key =
            protect::HasSealedAccounts(column) ? context_.DataModule1.RegisterKey(key, false) : nullptr;
        auto accounts = protect::RevealAccounts(column, Cp936(Text(column("web_id"))), key,
                                                data::AsString(column("web_address")), register_key);
        if (!accounts) {
            query.Close();
            fields_.ClearTexts();
            // The refusal is shown over the window, once the window is on the screen.
            WhenOnScreen(this, [this] {
                context_.services.boxes.Show("读取详细数据失败", kPromptTitle, kErrorBox, this);
            });
            return;
        }
        FillFields(column, *accounts);
        // Every text is loaded: a date that cannot be shown still leaves the dates section
        // to save, which is how such a date is repaired.
        loaded_ = true;
        FillDates(column);
        query.Close();
    } catch (const protect::DowngradedAccount& downgraded) {
        query.Close();
        fields_.ClearTexts();
        context_.services.boxes.Show("读取详细数据失败\r账号资料 " + QString::fromStdString(downgraded.Column()) +
                                         " 原已加密，现被改回旧格式或清空，为安全起见拒绝读取。",
                                     kPromptTitle, kErrorBox);
    } catch (const data::RegisterKeyMissing&) {
        query.Close();
        fields_.ClearTexts();
        context_.services.boxes.Show("读取详细数据失败\r" + kRegisterKeyMissingText, kPromptTitle, kErrorBox);
    } catch (const std::exception&) {
        query.Close();
        context_.services.boxes.Show(LoadErrorText(), kPromptTitle, kErrorBox);
    }
}

void TForm3::FillFields(const protect::ColumnReader& column, const protect::RevealedAccounts& accounts) {
    auto& edit = fields_.edit;
    edit[1]->setText(Text(column("web_id")));
    auto reveal = [&](const char* name) { return FromCp936(accounts.at(name).view()); };
    edit[2]->setText(Text(column("web_name")));
    edit[4]->setText(Text(column("web_login")));
    edit[5]->setText(reveal("web_user"));
    edit[6]->setText(reveal("web_pass"));
    edit[7]->setText(Text(column("web_ip")));
    edit[8]->setText(Text(column("web_domain")));
    edit[9]->setText(reveal("web_domainuser"));
    edit[10]->setText(reveal("web_domainpass"));
    edit[11]->setText(Text(column("web_linkman")));
    edit[12]->setText(Text(column("web_size")));
    edit[13]->setText(reveal("web_dbname"));
    edit[14]->setText(Text(column("web_dbsize")));
    edit[15]->setText(reveal("web_dbip"));
    edit[16]->setText(reveal("web_dbuser"));
    edit[17]->setText(reveal("web_dbpass"));
    edit[21]->setText(Text(column("web_dbtype")));
    fields_.Memo1->setPlainText(Text(column("web_remark")));
    // Long values show their start, not their end.
    for (QLineEdit* field : edit)
        if (field) field->setCursorPosition(0);
}

void TForm3::FillDates(const protect::ColumnReader& column) {
    const char* date_columns[] = {"web_time", "web_endtime", "web_domaintime", "web_enddomaintime"};
    for (int i = 0; i < 4; ++i) {
        const QStringList pieces = DatePieces(Text(column(date_columns[i])));
        if (pieces.size() < 3) throw std::runtime_error("a date column without three parts");
        fields_.dates[i].year->Choose(pieces[0]);
        fields_.dates[i].month->Choose(pieces[1]);
        fields_.dates[i].day->Choose(pieces[2]);
    }
}

void TForm3::RunSave(const QString& title, const std::function<void(data::TADOQuery&)>& set_statement) {
    auto& boxes = context_.services.boxes;
    auto& query = context_.DataModule1.ADOQuery4;
    try {
        // Without a loaded record the fields belong to no record: nothing may be written.
        if (!loaded_) throw std::runtime_error("no record loaded");
        query.Close();
        set_statement(query);
        query.SetParameter("web_address", Trimmed(fields_.edit[3]));
        // No row changed: the record is gone. An older register may hold the address twice;
        // then both rows took the section, as the original engine would write them.
        if (query.ExecSQL() == 0) throw std::runtime_error("the record is gone");
        boxes.Show("数据修改成功", title, kWarningBox);
    } catch (const std::exception&) {
        boxes.Show("数据修改出错", title, kErrorBox);
    }
}

void TForm3::SaveSite() {
    const auto& edit = fields_.edit;
    RunSave("网站资料", [&](data::TADOQuery& query) {
        const AccountSealer seal = Sealer();
        query.SetSQL(data::sql::kUpdateSite);
        query.SetParameter("web_name", Trimmed(edit[2]));
        query.SetParameter("web_login", Trimmed(edit[4]));
        query.SetParameter("web_user", seal("web_user", Cp936(edit[5]->text(), true)));
        query.SetParameter("web_pass", seal("web_pass", Cp936(edit[6]->text(), true)));
        query.SetParameter("web_ip", Trimmed(edit[7]));
        query.SetParameter("web_domain", Trimmed(edit[8]));
        query.SetParameter("web_domainuser", seal("web_domainuser", Cp936(edit[9]->text(), true)));
        query.SetParameter("web_domainpass", seal("web_domainpass", Cp936(edit[10]->text())));
        query.SetParameter("web_linkman", Trimmed(edit[11]));
        query.SetParameter("web_size", Trimmed(edit[12]));
    });
}

void TForm3::SaveDatabase() {
    const auto& edit = fields_.edit;
    RunSave("数据库资料", [&](data::TADOQuery& query) {
        const AccountSealer seal = Sealer();
        query.SetSQL(data::sql::kUpdateDatabase);
        query.SetParameter("web_dbname", seal("web_dbname", Cp936(edit[13]->text(), true)));
        query.SetParameter("web_dbsize", Trimmed(edit[14]));
        query.SetParameter("web_dbip", seal("web_dbip", Cp936(edit[15]->text(), true)));
        query.SetParameter("web_dbuser", seal("web_dbuser", Cp936(edit[16]->text(), true)));
        query.SetParameter("web_dbpass", seal("web_dbpass", Cp936(edit[17]->text(), true)));
        query.SetParameter("web_dbtype", Trimmed(edit[21]));
    });
}

TForm3::AccountSealer TForm3::Sealer() {
    const std::string_view key = context_.data_key.View();
    const protect::SecretBytes* register_key = context_.DataModule1.RegisterKey(key, true);
    // Another data key's register: nothing is written (the save's error box says so).
    if (!register_key) throw std::runtime_error(data::kKeyDoesNotOpen);
    const std::string address = Trimmed(fields_.edit[3]);
    return [register_key, address](const char* column, std::string value) {
        std::string sealed = protect::SealValue(*register_key, column, address, value);
        protect::Wipe(value);
        return sealed;
    };
}

void TForm3::SaveDates() {
    if (auto error = DateOrderError(fields_)) {
        context_.services.boxes.Show(*error, "日期资料", kErrorBox);
        return;
    }
    RunSave("日期资料", [&](data::TADOQuery& query) {
        data::PrepareDatesSave(query, {DateText(fields_.dates[kSpacePurchase]).toStdString(),
                                       DateText(fields_.dates[kSpaceExpiry]).toStdString(),
                                       DateText(fields_.dates[kDomainApplication]).toStdString(),
                                       DateText(fields_.dates[kDomainExpiry]).toStdString()});
    });
}

void TForm3::SaveRemark() {
    RunSave("备注资料", [&](data::TADOQuery& query) {
        query.SetSQL(data::sql::kUpdateRemark);
        query.SetParameter("web_remark", fields_.Memo1->toPlainText().toStdString());
    });
}

void TForm3::closeEvent(QCloseEvent* event) {
    QWidget::closeEvent(event);
    if (!context_.windows) return;
    if (Edit22->text() == "1") context_.windows->RefreshExpiryList();
    else context_.windows->RefreshMainList();
}

}  // namespace sitora::ui
