// The plot's numbers as a table model.
#include "ui/analysis/plot_table_model.h"

#include "ui/common/qt_text.h"

namespace movexa::ui {

void PlotTableModel::SetTable(PlotTable table) {
  beginResetModel();
  table_ = std::move(table);
  endResetModel();
}

int PlotTableModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(table_.rows.size());
}

int PlotTableModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(table_.columns.size());
}

QVariant PlotTableModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::TextAlignmentRole)) return {};
  const auto& row = table_.rows[static_cast<size_t>(index.row())];
  const auto column = static_cast<size_t>(index.column());
  if (column >= row.size()) return {};
  if (role == Qt::TextAlignmentRole) {
    // Numbers line up on the right, names on the left.
    const bool number =
        !row[column].empty() && row[column].find_first_not_of("-0123456789.") == std::string::npos;
    return QVariant::fromValue(Qt::Alignment(Qt::AlignVCenter) |
                               (number ? Qt::AlignRight : Qt::AlignLeft));
  }
  return Q(row[column]);
}

QVariant PlotTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (role != Qt::DisplayRole) return {};
  if (orientation == Qt::Vertical) return section + 1;
  if (section < 0 || static_cast<size_t>(section) >= table_.columns.size()) return {};
  return Q(table_.columns[static_cast<size_t>(section)]);
}

}  // namespace movexa::ui
