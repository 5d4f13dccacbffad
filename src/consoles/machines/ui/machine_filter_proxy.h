// MachineFilterProxy: what a grid shows of its machine model, narrowed by the filter box and
// ordered by the column header. Rows keep their machine's own row number; a source row is
// still the row the rest of the console speaks of (the remembered selection, the batches).
#pragma once

#include <QSortFilterProxyModel>
#include <vector>

#include "consoles/machines/machine_filter.h"

namespace ydt {

class MachineTableModel;

class MachineFilterProxy : public QSortFilterProxyModel {
  Q_OBJECT

 public:
  explicit MachineFilterProxy(MachineTableModel* source, QObject* parent = nullptr);

  void SetFilterText(const QString& text);

  // The source rows on show, in their shown order.
  std::vector<int> ShownSourceRows() const;

 protected:
  bool filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const override;
  bool lessThan(const QModelIndex& left, const QModelIndex& right) const override;

 private:
  MachineTableModel* source_;
  MachineFilter filter_;
};

}  // namespace ydt
