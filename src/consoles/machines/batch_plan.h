// Batch actions planned apart from running them: the grid's rows at the time of the click
// become a fixed sequence of requests and pauses, which is then run step by step.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "consoles/catalogue/catalogue.h"
#include "consoles/machines/machine_action.h"
#include "consoles/machines/machine_row.h"
#include "service/backend/ports.h"

namespace ydt {

struct BatchStep {
  enum class Kind { Send, Pause };
  Kind kind = Kind::Pause;
  std::string instanceIds;        // Send: "id1,id2,"
  std::int64_t milliseconds = 0;  // Pause

  static BatchStep Send(std::string ids) { return {Kind::Send, std::move(ids), 0}; }
  static BatchStep Wait(std::int64_t ms) { return {Kind::Pause, {}, ms}; }
  friend bool operator==(const BatchStep&, const BatchStep&) = default;
};

// Whether the batch button of this provider and action sends the row. Tencent sends every
// row; Aliyun and Huawei start only stopped machines and stop only running ones.
bool BatchQualifies(ProviderKind kind, MachineAction action, const MachineRow& row);

// The requests and pauses of one batch over `rows`, up to but not including the reload.
// A list is sent whenever a qualifying row's 1-based number is a multiple of 100, so with
// filtering a request may carry more or fewer than 100 IDs.
std::vector<BatchStep> PlanBatchMachineAction(ProviderKind kind, MachineAction action,
                                              std::span<const MachineRow> rows,
                                              std::int64_t batchDelay);

int CountSends(const std::vector<BatchStep>& steps);

inline constexpr std::size_t kIdsPerList = 100;

// Chosen machines' IDs in the batch form ("id1,id2,"), in lists of at most 100, in the
// order given.
std::vector<std::string> BatchIdLists(std::span<const std::string> ids);

// Sends each list as a batch paces its requests: batch_delay + 250 ms between two of them,
// batch_delay + 1250 ms after the last, before the reload.
std::vector<BatchStep> PlanListSends(std::span<const std::string> lists, std::int64_t batchDelay);

// Called before each request with its number (from 1) and the number of requests.
using BatchProgress = std::function<void(int request, int requestCount)>;

// Runs the plan: `send` for each list, `pauser` for each pause. `keepGoing`, when given, is
// asked before each step; a false answer stops the rest of the plan (the window closing).
void RunBatchPlan(const std::vector<BatchStep>& steps,
                  const std::function<void(const std::string& instanceIds)>& send, Pauser& pauser,
                  const BatchProgress& progress = {}, const std::function<bool()>& keepGoing = {});

}  // namespace ydt
