#include "ui/toolkit/data_grid.h"

#include <QEvent>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QPainter>
#include <QStyledItemDelegate>

#include "ui/toolkit/program_font.h"

namespace sitora::ui {

namespace {

QColor ToQColor(gridexport::TColor color) {
    const gridexport::TColor rgb =
        gridexport::IsSystemColor(color) ? gridexport::DefaultSystemColor(static_cast<int>(color & 0xFF)) : color;
    return QColor(rgb & 0xFF, (rgb >> 8) & 0xFF, (rgb >> 16) & 0xFF);
}

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

// The grid's look with each column as wide as the user left it.
gridexport::GridLook LookAsShown(const DataGrid& grid) {
    gridexport::GridLook look = grid.look();
    for (std::size_t i = 0; i < look.columns.size(); ++i) look.columns[i].width = grid.columnWidth(static_cast<int>(i));
    return look;
}

// The window's grid for the export driver: its rows and look, with the desktop's colours,
// resolution and visible window.
class WindowGrid : public gridexport::QueryGrid {
public:
    explicit WindowGrid(DataGrid& grid) : QueryGrid(LookAsShown(grid), grid.query()), grid_(grid) {}
    int PixelsPerInch() const override { return grid_.logicalDpiX(); }
    gridexport::TColor SystemColor(int index) const override {
        const QPalette palette = grid_.palette();
        QColor color;
        switch (index) {
            case 5: color = palette.color(QPalette::Base); break;
            case 8: color = palette.color(QPalette::Text); break;
            case 15: color = palette.color(QPalette::Button); break;
            default: return gridexport::DefaultSystemColor(index);
        }
        return static_cast<gridexport::TColor>(color.red() | (color.green() << 8) | (color.blue() << 16));
    }
    void DisableControls() override { grid_.setUpdatesEnabled(false); }
    void EnableControls() override { grid_.setUpdatesEnabled(true); }
    int VisibleRowIndex() const override {
        const int top = grid_.rowAt(0);
        return query().RecNo() - (top < 0 ? 0 : top);
    }
    // The records the grid's window holds: the rows that fit, or fewer at the list's end.
    int VisibleRowCount() const override {
        const int row_height = grid_.verticalHeader()->defaultSectionSize();
        const int fitting = std::max(1, grid_.viewport()->height() / std::max(row_height, 1));
        const int top = std::max(grid_.rowAt(0), 0);
        return std::clamp(query().RecordCount() - top, 1, fitting);
    }

private:
    DataGrid& grid_;
};

}  // namespace

ResultSetModel::ResultSetModel(data::TADOQuery& query, const gridexport::GridLook& look, QObject* parent)
    : QAbstractTableModel(parent), query_(query), columns_(look.columns) {}

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
        return QString::fromStdString(columns_[section].title.caption);
    }
    if (role == Qt::TextAlignmentRole) return int(Qt::AlignCenter);
    return {};
}

DataGrid::DataGrid(data::TADOQuery& query, gridexport::GridLook look, bool multi_select, QWidget* parent)
    : QTableView(parent), query_(query), look_(std::move(look)), model_(new ResultSetModel(query, look_, this)) {
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
    for (std::size_t i = 0; i < look_.columns.size(); ++i) setColumnWidth(static_cast<int>(i), look_.columns[i].width);
    // Titles in the described colours; the selection stays visible without focus.
    const auto& title = look_.columns.empty() ? gridexport::TColumnTitle{} : look_.columns.front().title;
    // Only the titles are teal; the row indicator keeps the button face.
    setStyleSheet(QString("QHeaderView::section:horizontal { background-color: %1; color: %2; font-weight: %3;"
                          " border: 1px solid #006060; padding: 2px; }"
                          "QHeaderView::section:vertical { background-color: #F0F0F0; border: 1px solid #A0A0A0; }"
                          "QTableView { selection-background-color: #0A246A; selection-color: white; }"
                          "QTableView:!active { selection-background-color: #0A246A; selection-color: white; }")
                      .arg(ToQColor(title.color).name(), ToQColor(title.font.color).name(),
                           title.font.bold ? "bold" : "normal"));
    horizontalHeader()->setFont(ProgramFont());
    // A right click on the titles or the row indicator opens the grid's menu too.
    for (QHeaderView* header : {horizontalHeader(), verticalHeader()}) {
        header->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(header, &QWidget::customContextMenuRequested, this, [this, header](const QPoint& at) {
            emit customContextMenuRequested(viewport()->mapFromGlobal(header->mapToGlobal(at)));
        });
    }

    // Rows that are gone are never shown: a closed query empties the grid at once.
    query_.SetCloseObserver([this] {
        const bool had_rows = model_->rowCount() > 0;
        model_->Reload();
        if (had_rows) emit emptied();
    });
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

DataGrid::~DataGrid() { query_.SetCloseObserver({}); }

QItemSelectionModel::SelectionFlags DataGrid::selectionCommand(const QModelIndex& index, const QEvent* event) const {
    if (event && (event->type() == QEvent::KeyPress || event->type() == QEvent::FocusIn))
        return QItemSelectionModel::NoUpdate;
    return QTableView::selectionCommand(index, event);
}

void DataGrid::keyPressEvent(QKeyEvent* event) {
    if (event->matches(QKeySequence::SelectAll)) {
        event->accept();
        return;
    }
    QTableView::keyPressEvent(event);
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

namespace sitora::ui {

std::unique_ptr<gridexport::ExportGrid> DataGrid::ForExport() { return std::make_unique<WindowGrid>(*this); }

}  // namespace sitora::ui
