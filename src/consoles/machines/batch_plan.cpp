#include "consoles/machines/batch_plan.h"

#include "service/text/text.h"

namespace ydt {

namespace {

// Tencent's buttons act on every row and go straight from the loop to the last list;
// Aliyun's and Huawei's filter by state and wait once more after the loop.
struct BatchRule {
  bool filtersByState;
  bool pausesAfterLoop;
};

BatchRule RuleFor(ProviderKind kind) {
  if (kind == ProviderKind::Tencent) return {false, false};
  return {true, true};
}

std::string_view RequiredStateWord(MachineAction action) {
  switch (action) {
    case MachineAction::Start:
      return "关机";
    case MachineAction::Stop:
      return "运行中";
    case MachineAction::Release:
      break;
  }
  return {};
}

}  // namespace

bool BatchQualifies(ProviderKind kind, MachineAction action, const MachineRow& row) {
  const std::string_view required = RequiredStateWord(action);
  if (!RuleFor(kind).filtersByState || required.empty()) return true;
  return TrimSpaces(row.Cell(MachineColumn::State)) == required;
}

std::vector<BatchStep> PlanBatchMachineAction(ProviderKind kind, MachineAction action,
                                              std::span<const MachineRow> rows,
                                              std::int64_t batchDelay) {
  const std::int64_t shortPause = batchDelay + 250;
  std::vector<BatchStep> steps;
  std::string list;
  for (std::size_t index = 0; index < rows.size(); ++index) {
    const std::size_t r = index + 1;
    if (!BatchQualifies(kind, action, rows[index])) continue;
    list += rows[index].Cell(MachineColumn::Id);
    list += ',';
    if (r % 100 == 0) {
      steps.push_back(BatchStep::Send(std::move(list)));
      list.clear();
      steps.push_back(BatchStep::Wait(shortPause));
    }
  }
  if (RuleFor(kind).pausesAfterLoop) steps.push_back(BatchStep::Wait(shortPause));
  if (!list.empty()) steps.push_back(BatchStep::Send(std::move(list)));
  steps.push_back(BatchStep::Wait(batchDelay + 1250));
  return steps;
}

int CountSends(const std::vector<BatchStep>& steps) {
  int sends = 0;
  for (const BatchStep& step : steps) sends += step.kind == BatchStep::Kind::Send ? 1 : 0;
  return sends;
}

std::vector<std::string> BatchIdLists(std::span<const std::string> ids) {
  std::vector<std::string> lists;
  for (std::size_t i = 0; i < ids.size(); ++i) {
    if (i % kIdsPerList == 0) lists.emplace_back();
    lists.back() += ids[i];
    lists.back() += ',';
  }
  return lists;
}

std::vector<BatchStep> PlanListSends(std::span<const std::string> lists, std::int64_t batchDelay) {
  std::vector<BatchStep> steps;
  for (std::size_t i = 0; i < lists.size(); ++i) {
    if (i > 0) steps.push_back(BatchStep::Wait(batchDelay + 250));
    steps.push_back(BatchStep::Send(lists[i]));
  }
  steps.push_back(BatchStep::Wait(batchDelay + 1250));
  return steps;
}

void RunBatchPlan(const std::vector<BatchStep>& steps,
                  const std::function<void(const std::string& instanceIds)>& send, Pauser& pauser,
                  const BatchProgress& progress, const std::function<bool()>& keepGoing) {
  const int requestCount = CountSends(steps);
  int request = 0;
  for (const BatchStep& step : steps) {
    if (keepGoing && !keepGoing()) return;
    if (step.kind == BatchStep::Kind::Send) {
      if (progress) progress(++request, requestCount);
      send(step.instanceIds);
    } else {
      pauser.Pause(step.milliseconds);
    }
  }
}

}  // namespace ydt
