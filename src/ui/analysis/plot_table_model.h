// PlotTableModel: the numbers of a plot (the core's PlotTable) as a read-only table model, so a
// table view shows even an actogram's thousands of cells without copying them into items.
#pragma once

#include <QAbstractTableModel>

#include "analysis/analysis_plots.h"

namespace movexa::ui {

class PlotTableModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  using QAbstractTableModel::QAbstractTableModel;

  void SetTable(PlotTable table);

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation,
                      int role = Qt::DisplayRole) const override;

 private:
  PlotTable table_;
};

}  // namespace movexa::ui
