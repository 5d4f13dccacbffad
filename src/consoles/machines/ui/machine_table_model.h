// MachineTableModel: the rows of one provider's machine grid. A load replaces all rows in
// one reset, so the view never sees a half-filled list.
#pragma once

#include <QAbstractTableModel>
#include <span>
#include <vector>

#include "consoles/machines/machine_row.h"

namespace ydt {

class MachineTableModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  explicit MachineTableModel(QObject* parent = nullptr);

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation,
                      int role = Qt::DisplayRole) const override;

  void SetRows(std::vector<MachineRow> rows);
  std::span<const MachineRow> Rows() const { return rows_; }

 private:
  std::vector<MachineRow> rows_;
};

}  // namespace ydt
