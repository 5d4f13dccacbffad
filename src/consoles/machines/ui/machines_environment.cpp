#include "consoles/machines/ui/machines_environment.h"

#include "ui/app_context.h"
#include "ui/task_runner.h"

namespace ydt {

MachinesEnvironment MachinesEnvironment::FromContext(AppContext& context, ProviderKind kind) {
  MachinesEnvironment env;
  env.client = &context.backend;
  env.prompter = &context.prompter;
  env.uiPauser = &context.pauser;
  env.state = &context.State(kind);
  RunningValues* running = &context.running;
  env.batchDelay = [running] { return static_cast<std::int64_t>(running->BatchDelay()); };
  TaskRunner* tasks = &context.tasks;
  env.startTask = [tasks](std::function<void()> routine) { tasks->Start(std::move(routine)); };
  return env;
}

}  // namespace ydt
