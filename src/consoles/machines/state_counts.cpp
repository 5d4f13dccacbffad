#include "consoles/machines/state_counts.h"

#include <algorithm>
#include <array>

#include "service/text/text.h"

namespace ydt {

namespace {

// The passing states of the three providers' state tables.
constexpr std::array<std::string_view, 11> kTransitionalWords = {
    "创建中", "开机中",   "关机中",     "重启中",     "销毁中",    "强制重启中",
    "重建中", "热迁移中", "调整配置中", "退回配置中", "校验配置中"};

}  // namespace

StateCounts CountStates(std::span<const MachineRow> rows) {
  StateCounts counts;
  for (const MachineRow& row : rows) {
    const std::string state = TrimSpaces(row.Cell(MachineColumn::State));
    if (state == "运行中") {
      ++counts.running;
    } else if (state == "关机") {
      ++counts.stopped;
    } else {
      ++counts.other;
      if (IsTransitionalState(state)) ++counts.transitional;
    }
  }
  return counts;
}

std::string StateCountsText(const StateCounts& counts) {
  return "运行中 " + GroupDigits(counts.running) + " · 关机 " + GroupDigits(counts.stopped) +
         " · 其他 " + GroupDigits(counts.other);
}

std::string ShownCountText(int shown, int total) {
  return "显示 " + GroupDigits(shown) + " / 共 " + GroupDigits(total) + " 台";
}

std::string GroupDigits(std::int64_t number) {
  const bool negative = number < 0;
  std::string digits = std::to_string(number);
  if (negative) digits.erase(0, 1);
  std::string grouped;
  for (std::size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) grouped += ',';
    grouped += digits[i];
  }
  return negative ? "-" + grouped : grouped;
}

bool IsTransitionalState(std::string_view stateWord) {
  const std::string word = TrimSpaces(stateWord);
  return std::find(kTransitionalWords.begin(), kTransitionalWords.end(), word) !=
         kTransitionalWords.end();
}

bool AnyTransitional(std::span<const MachineRow> rows) {
  return std::any_of(rows.begin(), rows.end(), [](const MachineRow& row) {
    return IsTransitionalState(row.Cell(MachineColumn::State));
  });
}

}  // namespace ydt
