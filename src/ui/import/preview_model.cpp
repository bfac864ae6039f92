#include "ui/import/preview_model.h"

#include <QColor>

namespace sitora::ui {
namespace {

const QString kWillBeAdded = QStringLiteral("将添加");

QString FromUtf8(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

}  // namespace

void PreviewModel::Show(data::ListPreview preview) {
    beginResetModel();
    preview_ = std::move(preview);
    ChooseShownRows();
    endResetModel();
}

void PreviewModel::ShowRefusedOnly(bool refused_only) {
    beginResetModel();
    refused_only_ = refused_only;
    ChooseShownRows();
    endResetModel();
}

void PreviewModel::ChooseShownRows() {
    shown_.clear();
    for (std::size_t r = 0; r < preview_.rows.size(); ++r)
        if (!refused_only_ || preview_.rows[r].refusal) shown_.push_back(r);
}

const data::PreviewRow& PreviewModel::RowAt(int shown) const { return preview_.rows[shown_[static_cast<std::size_t>(shown)]]; }

int PreviewModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(shown_.size());
}

int PreviewModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : 2 + static_cast<int>(preview_.headings.size());
}

QVariant PreviewModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || static_cast<std::size_t>(index.row()) >= shown_.size()) return {};
    const data::PreviewRow& row = RowAt(index.row());
    const int column = index.column();
    if (column == kVerdictColumn && role == Qt::ForegroundRole)
        return row.refusal ? QColor(0xB0, 0, 0) : QColor(0, 0x70, 0);
    if (role != Qt::DisplayRole && role != Qt::ToolTipRole) return {};
    if (column == kLineColumn) return role == Qt::DisplayRole ? QVariant(static_cast<qulonglong>(row.Line())) : QVariant();
    if (column == kVerdictColumn) return row.refusal ? FromUtf8(*row.refusal) : kWillBeAdded;
    return FromUtf8(row.Cell(static_cast<std::size_t>(column - 2)));
}

QVariant PreviewModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
    if (section == kLineColumn) return QStringLiteral("行");
    if (section == kVerdictColumn) return QStringLiteral("结果");
    const auto heading = static_cast<std::size_t>(section - 2);
    return heading < preview_.headings.size() ? FromUtf8(preview_.headings[heading]) : QVariant();
}

}  // namespace sitora::ui
