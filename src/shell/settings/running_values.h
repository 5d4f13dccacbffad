// The two settings the console keeps in memory for the whole run: the batch delay and the
// reinstall password. Workers read them while the UI thread may replace them.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>

namespace ydt {

class SettingsStore;

inline constexpr std::int32_t kMinBatchDelay = 100;
inline constexpr const char* kDefaultRebuildPassword = "Qzt.Hv731.Nep";

class RunningValues {
 public:
  std::int32_t BatchDelay() const { return batchDelay_.load(); }
  void SetBatchDelay(std::int32_t milliseconds) { batchDelay_.store(milliseconds); }
  // The batch delay plus a loop's own fixed amount, computed wide so that a saturated
  // delay never overflows into a negative pause.
  std::int64_t DelayPlus(std::int64_t extra) const {
    return static_cast<std::int64_t>(BatchDelay()) + extra;
  }

  std::string RebuildPassword() const;
  void SetRebuildPassword(std::string password);

  // Loads both from the settings with their start-up rules: a delay below 100 (or not a
  // number) becomes 100, a password of 6 GBK bytes or less becomes the default. The file
  // is not corrected.
  void Load(const SettingsStore& store);

 private:
  std::atomic<std::int32_t> batchDelay_{kMinBatchDelay};
  mutable std::mutex mutex_;
  std::string rebuildPassword_ = kDefaultRebuildPassword;
};

}  // namespace ydt
