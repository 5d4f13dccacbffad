// What the grid says about itself beside its filter: how many machines are in each state,
// how many of them the filter shows, and whether any machine is still on its way to a
// settled state.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "consoles/machines/machine_row.h"

namespace ydt {

struct StateCounts {
  int running = 0;  // "运行中"
  int stopped = 0;  // "关机"
  int other = 0;
  int transitional = 0;  // among `other`: machines starting, stopping, being built …
};

StateCounts CountStates(std::span<const MachineRow> rows);

// "运行中 9,000 · 关机 990 · 其他 10".
std::string StateCountsText(const StateCounts& counts);

// "显示 1 / 共 10,000 台".
std::string ShownCountText(int shown, int total);

// 10000 -> "10,000".
std::string GroupDigits(std::int64_t number);

// Whether a state word names a passing state that a machine leaves by itself (开机中,
// 关机中, 创建中 …). Settled states, failures (创建失败, 异常中) and states that wait for
// the operator (停止待销毁) are not.
bool IsTransitionalState(std::string_view stateWord);

bool AnyTransitional(std::span<const MachineRow> rows);

}  // namespace ydt
