// The simulated clouds: accounts, machines per account and region, and the operations the
// console sends. Thread-safe: every operation runs under one lock, and changes under way
// (start, stop, release, reinstall, creation, timed destruction) settle lazily at the start
// of each operation, so no background thread is needed.
#pragma once

#include <chrono>
#include <cstdint>
#include <map>
#include <mutex>
#include <random>
#include <string>
#include <vector>

#include "catalogue.h"
#include "front/clouds.h"
#include "machine.h"
#include "reply.h"
#include "seed_data.h"

namespace ydt::sim {

struct WorldOptions {
  int transitionMs = 3000;           // how long a machine stays in a transitional state
  long long hourMs = 3600LL * 1000;  // length of one "hour" of timed destruction
};

enum class MachineAction { kStart, kStop, kTerminate };

using front::CloudRequest;

class World final : public front::Clouds {
 public:
  World(SeedData seed, WorldOptions options);

  // Back to the seed: created machines vanish, released ones return, changes are forgotten.
  void Reset();
  // Moves the world's clock on, settling what falls due: with long transitions a test
  // decides itself when a change ends, however slowly it runs.
  void Advance(std::chrono::milliseconds by);

  const SeedData& Seed() const { return seed_; }
  bool CheckLogin(const std::string& username, const std::string& passwordMd5) const;

  // Any operation of the console, answered from the world.
  Reply Perform(const CloudRequest& request) override;

  Reply Instances(Provider provider, const CloudRequest& form);
  Reply Act(Provider provider, MachineAction action, const CloudRequest& form);
  Reply Balance(Provider provider, const CloudRequest& form);
  Reply Zones(Provider provider, const CloudRequest& form);
  Reply Images(Provider provider, const CloudRequest& form);
  Reply InstanceTypes(Provider provider, const CloudRequest& form);
  Reply Run(Provider provider, const CloudRequest& form);
  Reply Rebuild(Provider provider, const CloudRequest& form);

  // "[id]", "[id1,id2]", "id1,id2," and quoted forms all give the bare IDs.
  static std::vector<std::string> ParseInstanceIds(const std::string& text);
  static bool PasswordAcceptable(const std::string& password);

 private:
  using Clock = std::chrono::steady_clock;
  struct Timer {
    std::string bucket;
    std::string id;
    std::uint64_t generation = 0;
    bool destroy = false;  // the timed destruction rather than the end of a transition
  };
  struct Context {
    const SeedAccount* account = nullptr;
    std::string region;
  };

  bool Authenticate(Provider provider, const CloudRequest& form, const SeedAccount*& account,
                    Reply& failure) const;
  bool Prepare(Provider provider, const CloudRequest& form, Context& context, Reply& failure);
  std::vector<Machine>& Bucket(const SeedAccount& account, const std::string& region);
  std::string BucketKey(const SeedAccount& account, const std::string& region) const;
  Clock::time_point Now() const { return Clock::now() + advanced_; }
  void Settle(Clock::time_point now);
  void BeginTransition(const std::string& bucket, Machine& machine, const std::string& transitional,
                       const std::string& final, const std::string& taskState, bool remove);
  void BeginRelease(Provider provider, const std::string& bucket, Machine& machine);
  const Image* FindImage(Provider provider, const SeedAccount& account,
                         const std::string& id) const;
  std::string NewRequestId();
  std::string NewMachineId(Provider provider, const std::vector<Machine>& bucket);
  nlohmann::ordered_json ActionData(Provider provider);

  mutable std::mutex mutex_;
  SeedData seed_;
  WorldOptions options_;
  std::map<std::string, std::vector<Machine>> buckets_;
  std::multimap<Clock::time_point, Timer> timers_;
  Clock::duration advanced_{};
  std::mt19937_64 rng_;
};

}  // namespace ydt::sim
