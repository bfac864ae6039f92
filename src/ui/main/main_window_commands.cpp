// The main window's commands on the record list.
#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "data/expiry_rules.h"
#include "data/catalogue/statements.h"
#include "base/text/clock.h"
#include "ui/main/export_command.h"
#include "ui/main/main_window.h"

#include "ui/toolkit/data_grid.h"
#include "ui/toolkit/messages.h"

namespace sitora::ui {
namespace {

constexpr int kAddressColumn = 2;
constexpr int kBackEndColumn = 3;

QString Utf8(data::FieldValue value) {
    return value ? QString::fromUtf8(value->data(), static_cast<qsizetype>(value->size())) : QString();
}

}  // namespace

void TForm1::SetRecordCommandsEnabled(bool enabled) {
    for (QPushButton* button : record_buttons_) button->setEnabled(enabled);
    for (QAction* item : record_items_) item->setEnabled(enabled);
}

void TForm1::RefreshList() {
    auto& list = context_.DataModule1.ADOQuery1;
    try {
        list.Close();
        list.Open();
        DBGrid1->Reload();
        Label3->setText(QString::number(list.RecordCount()));
        if (list.RecordCount() > 0) SetRecordCommandsEnabled(true);
    } catch (const std::exception&) {
        DBGrid1->Reload();
        context_.services.boxes.Show("数据刷新出错", kPromptTitle, kErrorBox);
    }
}

void TForm1::RefreshCounters() {
    auto& query = context_.DataModule1.ADOQuery4;
    try {
        const data::Thresholds thresholds = data::ReadThresholds(query, text::Today());
        Edit2->setText(QString::fromStdString(text::ShortDate(thresholds.space)));
        Edit3->setText(QString::fromStdString(text::ShortDate(thresholds.domain)));
        const int space_due = data::CountDue(query, data::sql::kSpaceDue, "web_endtime", thresholds.space);
        Label5->setText(QString::number(space_due));
        const int domain_due = data::CountDue(query, data::sql::kDomainDue, "web_enddomaintime", thresholds.domain);
        Label7->setText(QString::number(domain_due));
        BitBtn12->setEnabled(Label5->text().toInt() > 0 || Label7->text().toInt() > 0);
    } catch (const std::exception&) {
        query.Close();
        context_.services.boxes.Show("查询失败", kPromptTitle, kErrorBox);
    }
}

void TForm1::RememberClickedRow() {
    auto& list = context_.DataModule1.ADOQuery1;
    if (Label3->text() == "00000" || !list.Active() || list.RecordCount() == 0) return;
    remembered_site_ = Utf8(list.Field(kAddressColumn));
    remembered_back_end_ = Utf8(list.Field(kBackEndColumn));
}

void TForm1::OpenDetail(bool read_only) {
    try {
        auto& list = context_.DataModule1.ADOQuery1;
        if (!list.Active() || list.RecordCount() == 0) return;
        const QString address = Utf8(list.Field(kAddressColumn));
        if (address.isEmpty() || !context_.windows) return;
        context_.windows->OpenRecord(address, read_only);
    } catch (const std::exception&) {
        // The hand-over fails silently; the detail window may stay unshown.
    }
}

void TForm1::ModifyRecord() { OpenDetail(false); }
void TForm1::ShowDetail() { OpenDetail(true); }

void TForm1::DeleteRecords() {
    auto& list = context_.DataModule1.ADOQuery1;
    const std::vector<int> rows = DBGrid1->SelectedRows();
    if (rows.empty() || !list.Active()) return;
    const QString question = QString("确定要删除这%1条记录吗？").arg(rows.size());
    if (context_.services.boxes.Show(question, kPromptTitle, kQuestionBox) == BoxAnswer::Ok) {
        // Bookmarks first: positions shift as rows go.
        std::vector<data::Bookmark> marks;
        for (int row : rows) marks.push_back(list.Rows().BookmarkOf(row));
        try {
            for (data::Bookmark mark : marks) {
                list.GotoBookmark(mark);
                list.Delete();
            }
            DBGrid1->Reload();
            context_.services.boxes.Show("删除成功", kPromptTitle, kWarningBox);
        } catch (const std::exception&) {
            DBGrid1->Reload();
            context_.services.boxes.Show("数据删除出错", kPromptTitle, kErrorBox);
            return;
        }
    }
    if (list.RecordCount() == 0) {
        Label3->setText("00000");
        SetRecordCommandsEnabled(false);
    }
}

void TForm1::Visit(const QString& address) {
    if (address.isEmpty()) {
        context_.services.boxes.Show("没有任何网址可以访问", kPromptTitle, kErrorBox);
        return;
    }
    context_.services.urls.Open(address);
}

void TForm1::VisitSite() { Visit(remembered_site_); }
void TForm1::VisitBackEnd() { Visit(remembered_back_end_); }

void TForm1::ExportList() { export_->Run(); }

void TForm1::ShowImportWindow() {
    if (context_.windows) context_.windows->Bring(Window::kImport);
}

void TForm1::ShowCheckWindow() {
    if (context_.windows) context_.windows->ShowCheckWindow();
}

}  // namespace sitora::ui
