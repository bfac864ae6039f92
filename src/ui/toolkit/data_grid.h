#pragma once
// A grid over a query's open result set: fixed columns with titles and widths, whole-row
// selection, no editing. Cells are read from the result set only when painted, so a list
// of 100,000 rows costs no widgets and no copies.
#include <QAbstractTableModel>
#include <QTableView>
#include <memory>
#include <vector>

#include "data/ado_query.h"
#include "export/list_grids.h"

namespace sitora::ui {

class ResultSetModel : public QAbstractTableModel {
    Q_OBJECT
public:
    ResultSetModel(data::TADOQuery& query, const gridexport::GridLook& look, QObject* parent);

    // Call after the query was opened, closed or lost rows.
    void Reload();

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    data::TADOQuery& query_;
    std::vector<gridexport::TColumn> columns_;
    std::vector<int> source_columns_;  // position of each grid column in the result set
    int rows_ = 0;
};

class DataGrid : public QTableView {
    Q_OBJECT
public:
    DataGrid(data::TADOQuery& query, gridexport::GridLook look, bool multi_select, QWidget* parent);
    ~DataGrid() override;

    // Shows the query's rows again; the grid's current row follows the list's.
    void Reload();
    // Highlights the list's current row (after a search moved it).
    void ShowListRow();
    // Selected rows, in the order they were selected.
    std::vector<int> SelectedRows() const;
    data::TADOQuery& query() { return query_; }
    const gridexport::GridLook& look() const { return look_; }
    // The grid as the export driver sees it: its look, the window's colours and resolution,
    // and the rows of its query.
    std::unique_ptr<gridexport::ExportGrid> ForExport();

signals:
    void cellClicked();
    void rowDoubleClicked();
    // The query's rows went (its connection was closed, say): the grid is empty now.
    void emptied();

protected:
    // Only clicks select (click, Ctrl-click, Shift-click); the keyboard and focus move the
    // current row and leave the selection as it is.
    QItemSelectionModel::SelectionFlags selectionCommand(const QModelIndex& index,
                                                         const QEvent* event) const override;
    // Ctrl+A selects nothing: what "删除记录" deletes is only ever what was clicked.
    void keyPressEvent(QKeyEvent* event) override;

private:
    void FollowCurrentRow(const QModelIndex& current);

    data::TADOQuery& query_;
    gridexport::GridLook look_;
    ResultSetModel* model_;
};

}  // namespace sitora::ui
