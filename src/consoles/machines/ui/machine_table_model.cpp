#include "consoles/machines/ui/machine_table_model.h"

#include "consoles/machines/machine_filter.h"

namespace ydt {

MachineTableModel::MachineTableModel(QObject* parent) : QAbstractTableModel(parent) {}

int MachineTableModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int MachineTableModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : kMachineColumnCount;
}

QVariant MachineTableModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= static_cast<int>(rows_.size())) return {};
  if (role != Qt::DisplayRole && role != Qt::ToolTipRole) return {};
  // Converted on demand: only the rows on screen ever pay for it.
  return QString::fromStdString(
      rows_[static_cast<std::size_t>(index.row())].cells[static_cast<std::size_t>(index.column())]);
}

QVariant MachineTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || section < 0 || section >= kMachineColumnCount) return {};
  if (role == Qt::DisplayRole) {
    const std::string_view heading = kMachineColumns[static_cast<std::size_t>(section)].heading;
    return QString::fromUtf8(heading.data(), static_cast<qsizetype>(heading.size()));
  }
  if (role == Qt::TextAlignmentRole) return QVariant::fromValue(Qt::AlignLeft | Qt::AlignVCenter);
  return {};
}

void MachineTableModel::SetRows(std::vector<MachineRow> rows, std::vector<std::string> haystacks) {
  beginResetModel();
  rows_ = std::move(rows);
  DropDerived();
  if (haystacks.size() == rows_.size()) haystacks_ = std::move(haystacks);
  endResetModel();
}

bool MachineTableModel::UpdateRows(std::vector<MachineRow> rows,
                                   std::vector<std::string> haystacks) {
  const auto sameMachines = [&] {
    if (rows.size() != rows_.size()) return false;
    for (std::size_t i = 0; i < rows.size(); ++i) {
      if (rows[i].Cell(MachineColumn::Id) != rows_[i].Cell(MachineColumn::Id)) return false;
    }
    return true;
  };
  if (!sameMachines()) {
    SetRows(std::move(rows), std::move(haystacks));
    return true;
  }
  const bool given = haystacks.size() == rows.size();
  const int count = static_cast<int>(rows.size());
  for (int first = 0; first < count;) {
    if (rows[static_cast<std::size_t>(first)] == rows_[static_cast<std::size_t>(first)]) {
      ++first;
      continue;
    }
    int last = first;
    while (last + 1 < count &&
           rows[static_cast<std::size_t>(last + 1)] != rows_[static_cast<std::size_t>(last + 1)]) {
      ++last;
    }
    for (int r = first; r <= last; ++r) {
      const auto at = static_cast<std::size_t>(r);
      rows_[at] = std::move(rows[at]);
      if (given && haystacks_.size() == rows_.size()) haystacks_[at] = std::move(haystacks[at]);
    }
    // The filter and sort read these while handling the signal, so they are fresh first.
    RefreshDerived(first, last, !given);
    emit dataChanged(index(first, 0), index(last, kMachineColumnCount - 1));
    first = last + 1;
  }
  return false;
}

const std::string& MachineTableModel::Haystack(int row) const {
  if (haystacks_.size() != rows_.size()) {
    haystacks_.clear();
    haystacks_.reserve(rows_.size());
    for (const MachineRow& each : rows_) haystacks_.push_back(FilterHaystack(each));
  }
  return haystacks_[static_cast<std::size_t>(row)];
}

const MachineSortKey& MachineTableModel::SortKey(int column, int row) const {
  std::vector<MachineSortKey>& keys = sortKeys_[static_cast<std::size_t>(column)];
  if (keys.size() != rows_.size()) {
    keys.clear();
    keys.reserve(rows_.size());
    for (const MachineRow& each : rows_) {
      keys.push_back(SortKeyOf(static_cast<MachineColumn>(column), each));
    }
  }
  return keys[static_cast<std::size_t>(row)];
}

void MachineTableModel::DropDerived() {
  haystacks_.clear();
  for (auto& keys : sortKeys_) keys.clear();
}

void MachineTableModel::RefreshDerived(int first, int last, bool haystacksToo) {
  for (int r = first; r <= last; ++r) {
    const auto at = static_cast<std::size_t>(r);
    if (haystacksToo && haystacks_.size() == rows_.size()) {
      haystacks_[at] = FilterHaystack(rows_[at]);
    }
    for (int column = 0; column < kMachineColumnCount; ++column) {
      std::vector<MachineSortKey>& keys = sortKeys_[static_cast<std::size_t>(column)];
      if (keys.size() == rows_.size()) {
        keys[at] = SortKeyOf(static_cast<MachineColumn>(column), rows_[at]);
      }
    }
  }
}

}  // namespace ydt
