#pragma once
// The rows of a list as the import would take them, for a table view: the line, the verdict
// ("将添加" or the refusal with its reason) and the cells under the list's own headings. A list
// of a hundred thousand rows is shown without a widget per cell.
#include <QAbstractTableModel>

#include "data/import/list_import.h"

namespace sitora::ui {

class PreviewModel : public QAbstractTableModel {
public:
    static constexpr int kLineColumn = 0;
    static constexpr int kVerdictColumn = 1;

    void Show(data::ListPreview preview);
    void Clear() { Show({}); }
    // Only the refused rows, so that a few among thousands are found at once.
    void ShowRefusedOnly(bool refused_only);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    const data::PreviewRow& RowAt(int shown) const;
    void ChooseShownRows();

    data::ListPreview preview_;
    bool refused_only_ = false;
    std::vector<std::size_t> shown_;  // the preview's rows on show, by grid row
};

}  // namespace sitora::ui
