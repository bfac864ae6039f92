#include "ui/toolkit/data_grid.h"

#include <QHeaderView>
#include <QItemSelectionModel>
#include <QPainter>
#include <QStyledItemDelegate>

#include "ui/toolkit/program_font.h"

namespace sitora::ui {

namespace {

// The list's current row is highlighted even where it is not part of the selection, as a
// search or the keyboard moves it without selecting.
class CurrentRowDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
        QStyledItemDelegate::initStyleOption(option, index);
        auto* view = qobject_cast<const QAbstractItemView*>(option->widget);
        if (view && view->currentIndex().row() == index.row() && !(option->state & QStyle::State_Selected))
            option->backgroundBrush = QColor(0xCC, 0xE8, 0xFF);
    }
};

}  // namespace

ResultSetModel::ResultSetModel(data::TADOQuery& query, std::span<const data::ListColumn> columns,
                               QObject* parent)
    : QAbstractTableModel(parent), query_(query), columns_(columns.begin(), columns.end()) {}

void ResultSetModel::Reload() {
    beginResetModel();
    rows_ = query_.Active() ? query_.RecordCount() : 0;
    source_columns_.clear();
    for (const auto& column : columns_)
        source_columns_.push_back(query_.Active() ? query_.Rows().ColumnIndex(column.field) : -1);
    endResetModel();
}

int ResultSetModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : rows_; }

int ResultSetModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(columns_.size());
}

QVariant ResultSetModel::data(const QModelIndex& index, int role) const {
    if (role == Qt::TextAlignmentRole) return int(Qt::AlignCenter);
    if (role != Qt::DisplayRole || !index.isValid() || !query_.Active() || index.row() >= query_.RecordCount())
        return {};
    const int source = source_columns_.at(index.column());
    if (source < 0) return {};
    auto value = query_.Value(index.row(), source);
    return value ? QString::fromUtf8(value->data(), static_cast<qsizetype>(value->size())) : QString();
}

QVariant ResultSetModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= static_cast<int>(columns_.size())) return {};
    if (role == Qt::DisplayRole) {
        const auto title = columns_[section].title;
        return QString::fromUtf8(title.data(), static_cast<qsizetype>(title.size()));
    }
    if (role == Qt::TextAlignmentRole) return int(Qt::AlignCenter);
    return {};
}

DataGrid::DataGrid(data::TADOQuery& query, std::span<const data::ListColumn> columns, bool multi_select,
                   QWidget* parent)
    : QTableView(parent), query_(query), model_(new ResultSetModel(query, columns, this)) {
    setObjectName("DBGrid1");
    setModel(model_);
    setItemDelegate(new CurrentRowDelegate(this));
    setEditTriggers(NoEditTriggers);
    setSelectionBehavior(SelectRows);
    setSelectionMode(multi_select ? ExtendedSelection : SingleSelection);
    setWordWrap(false);
    verticalHeader()->setDefaultSectionSize(22);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setFixedWidth(12);
    horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    horizontalHeader()->setHighlightSections(false);
    for (std::size_t i = 0; i < columns.size(); ++i) setColumnWidth(static_cast<int>(i), columns[i].width);
    // Teal titles with white bold text; the selection stays visible without focus.
    setStyleSheet(
        "QHeaderView::section { background-color: #008080; color: white; font-weight: bold;"
        " border: 1px solid #006060; padding: 2px; }"
        "QTableView { selection-background-color: #0A246A; selection-color: white; }"
        "QTableView:!active { selection-background-color: #0A246A; selection-color: white; }");
    horizontalHeader()->setFont(ProgramFont());

    connect(selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) {
                FollowCurrentRow(current);
                viewport()->update();
            });
    connect(this, &QTableView::clicked, this, [this](const QModelIndex& index) {
        FollowCurrentRow(index);
        emit cellClicked();
    });
    connect(this, &QTableView::doubleClicked, this, [this](const QModelIndex& index) {
        FollowCurrentRow(index);
        emit rowDoubleClicked();
    });
}

void DataGrid::Reload() {
    model_->Reload();
    ShowListRow();
}

void DataGrid::ShowListRow() {
    if (!query_.Active() || query_.RecordCount() == 0) return;
    const QModelIndex index = model_->index(query_.RecNo(), std::max(currentIndex().column(), 0));
    // Moving the highlighted row adds nothing to the selection.
    selectionModel()->setCurrentIndex(index, QItemSelectionModel::NoUpdate);
    scrollTo(index);
    viewport()->update();
}

std::vector<int> DataGrid::SelectedRows() const {
    std::vector<int> rows;
    for (const QModelIndex& index : selectionModel()->selectedRows()) rows.push_back(index.row());
    return rows;
}

void DataGrid::FollowCurrentRow(const QModelIndex& current) {
    if (current.isValid() && query_.Active() && current.row() < query_.RecordCount()) query_.MoveTo(current.row());
}

}  // namespace sitora::ui
