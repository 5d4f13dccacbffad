#include "shell/settings/running_values.h"

#include "service/text/text.h"
#include "shell/settings/settings_store.h"

namespace ydt {

std::string RunningValues::RebuildPassword() const {
  std::lock_guard lock(mutex_);
  return rebuildPassword_;
}

void RunningValues::SetRebuildPassword(std::string password) {
  std::lock_guard lock(mutex_);
  rebuildPassword_ = std::move(password);
}

void RunningValues::Load(const SettingsStore& store) {
  // TextToInt saturates at 32 bits, so a huge stored delay cannot wrap negative.
  const std::int32_t delay = TextToInt(store.readSetting("config", "batch_delay", "100"));
  SetBatchDelay(delay < kMinBatchDelay ? kMinBatchDelay : delay);

  std::string password = store.readSetting("config", "rebuild_password", kDefaultRebuildPassword);
  if (GbkLength(password) <= 6) password = kDefaultRebuildPassword;
  SetRebuildPassword(std::move(password));
}

}  // namespace ydt
