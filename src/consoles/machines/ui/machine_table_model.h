// MachineTableModel: the rows of one provider's machine grid. A load replaces all rows in
// one reset, so the view never sees a half-filled list; a quiet refresh that finds the same
// machines in the same order changes only the rows that changed, so the view keeps its
// selection and scroll position.
#pragma once

#include <QAbstractTableModel>
#include <array>
#include <span>
#include <string>
#include <vector>

#include "consoles/machines/machine_row.h"
#include "consoles/machines/machine_sort_key.h"

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

  // `haystacks`, when given, are the rows' FilterHaystack texts made off the UI thread, so
  // the first keystroke in the filter need not make ten thousand of them.
  void SetRows(std::vector<MachineRow> rows, std::vector<std::string> haystacks = {});
  // Takes the rows of a refresh. When they list the same machines in the same order only
  // the rows that differ are replaced (one dataChanged per run of them) and false is
  // returned; otherwise all rows are replaced in one reset and true is returned.
  bool UpdateRows(std::vector<MachineRow> rows, std::vector<std::string> haystacks = {});
  std::span<const MachineRow> Rows() const { return rows_; }

  // Derived per row on first use and kept until the row changes: the filter's searchable
  // text and the sort key of a column.
  const std::string& Haystack(int row) const;
  const MachineSortKey& SortKey(int column, int row) const;

 private:
  void DropDerived();
  void RefreshDerived(int first, int last, bool haystacksToo);

  std::vector<MachineRow> rows_;
  mutable std::vector<std::string> haystacks_;  // empty until the first filter
  mutable std::array<std::vector<MachineSortKey>, kMachineColumnCount> sortKeys_;
};

}  // namespace ydt
