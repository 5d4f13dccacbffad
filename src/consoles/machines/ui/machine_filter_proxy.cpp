#include "consoles/machines/ui/machine_filter_proxy.h"

#include "consoles/machines/ui/machine_table_model.h"

namespace ydt {

MachineFilterProxy::MachineFilterProxy(MachineTableModel* source, QObject* parent)
    : QSortFilterProxyModel(parent), source_(source) {
  setSourceModel(source);
}

void MachineFilterProxy::SetFilterText(const QString& text) {
  MachineFilter filter(text.toStdString());
  if (filter.Words() == filter_.Words()) return;
  filter_ = std::move(filter);
  // A new filter can drop or bring back thousands of scattered rows; one relayout is far
  // cheaper than a removal or insertion signal per run of them.
  invalidate();
}

std::vector<int> MachineFilterProxy::ShownSourceRows() const {
  std::vector<int> rows;
  const int count = rowCount();
  rows.reserve(static_cast<std::size_t>(count));
  for (int row = 0; row < count; ++row) rows.push_back(mapToSource(index(row, 0)).row());
  return rows;
}

bool MachineFilterProxy::filterAcceptsRow(int sourceRow, const QModelIndex&) const {
  return filter_.Empty() || filter_.MatchesHaystack(source_->Haystack(sourceRow));
}

bool MachineFilterProxy::lessThan(const QModelIndex& left, const QModelIndex& right) const {
  const int column = left.column();
  return SortKeyLess(source_->SortKey(column, left.row()), source_->SortKey(column, right.row()));
}

}  // namespace ydt
