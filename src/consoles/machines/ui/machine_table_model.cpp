#include "consoles/machines/ui/machine_table_model.h"

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

void MachineTableModel::SetRows(std::vector<MachineRow> rows) {
  beginResetModel();
  rows_ = std::move(rows);
  endResetModel();
}

}  // namespace ydt
