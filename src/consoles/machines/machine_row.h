// MachineRow: one line of a provider's machine grid, eight texts in column order. The grid
// is the console's only copy of the machine list, so nothing else is kept per row.
#pragma once

#include <array>
#include <string>
#include <string_view>

namespace ydt {

enum class MachineColumn {
  RowNumber = 0,
  Id,
  State,
  Configuration,
  System,
  PublicAddress,
  ImageId,
  CreationTime,
};

inline constexpr int kMachineColumnCount = 8;

struct MachineColumnInfo {
  std::string_view heading;
  int width;  // pixels
};

// Headings and widths of the grid's columns, in column order.
inline constexpr std::array<MachineColumnInfo, kMachineColumnCount> kMachineColumns = {{
    {"行", 40},
    {"ID", 95},
    {"状态", 70},
    {"配置", 100},
    {"系统", 50},
    {"公网IP", 100},
    {"镜像ID", 60},
    {"创建时间", 130},
}};

struct MachineRow {
  std::array<std::string, kMachineColumnCount> cells;

  const std::string& Cell(MachineColumn column) const { return cells[static_cast<int>(column)]; }
  std::string& Cell(MachineColumn column) { return cells[static_cast<int>(column)]; }

  friend bool operator==(const MachineRow&, const MachineRow&) = default;
};

}  // namespace ydt
