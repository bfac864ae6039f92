#include "ui/main/search_bar.h"

#include <QComboBox>
#include <QLineEdit>

#include "data/record_search.h"
#include "ui/app_context.h"
#include "ui/toolkit/data_grid.h"
#include "ui/toolkit/messages.h"
#include "ui/toolkit/widgets.h"

namespace sitora::ui {

SearchBar::SearchBar(AppContext& context, DataGrid& grid, const char* keyword_name, QString failure_text,
                     QWidget* parent)
    : QFrame(parent), context_(context), grid_(grid), failure_text_(std::move(failure_text)) {
    setObjectName("Panel2");
    setFrameShape(QFrame::StyledPanel);
    setFixedHeight(41);
    MakeLabel(this, "Label8", "查询类型：", QRect(12, 10, 72, 22));
    ComboBox1 = new QComboBox(this);
    ComboBox1->setObjectName("ComboBox1");
    ComboBox1->setGeometry(86, 8, 140, 25);
    for (const auto& type : data::kSearchTypes)
        ComboBox1->addItem(QString::fromUtf8(type.caption.data(), static_cast<qsizetype>(type.caption.size())));
    ComboBox1->setCurrentIndex(ComboBox1->count() - 1);
    MakeLabel(this, "Label9", "关键字：", QRect(246, 10, 60, 22));
    keyword_ = MakeEdit(this, keyword_name, QRect(306, 8, 260, 25));
    auto* search = MakeButton(this, "BitBtn10", "查询", QRect(586, 6, 80, 29));
    auto* close = MakeButton(this, "BitBtn11", "关闭", QRect(676, 6, 80, 29), "关闭查询条");
    connect(search, &QPushButton::clicked, this, &SearchBar::Search);
    connect(close, &QPushButton::clicked, this, &QWidget::hide);
    hide();
}

void SearchBar::Search() {
    try {
        auto type = data::SearchTypeByCaption(ComboBox1->currentText().toStdString());
        auto& list = grid_.query();
        if (!type || !list.Active()) return;
        auto row = data::FindRecord(list.Rows(), *type, keyword_->text().toStdString());
        if (!row) return;
        list.MoveTo(*row);
        grid_.ShowListRow();
    } catch (const std::exception&) {
        context_.services.boxes.Show(failure_text_, kPromptTitle, kErrorBox);
    }
}

}  // namespace sitora::ui
