// One rented machine as the simulator keeps it, in provider-neutral form; machine_json.h
// renders it in each provider's reply shape.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace ydt::sim {

struct Address {
  std::string network;  // Huawei groups addresses by network; the others ignore it
  std::string addr;
  bool floating = false;  // floating = public, fixed = private
};

struct Machine {
  std::string id;
  std::string name;
  std::string state;      // the provider's own code, spelled as the provider spells it
  std::string taskState;  // Huawei's OS-EXT-STS:task_state while a change is under way
  std::string instanceType;
  int cpu = 1;
  int memoryGb = 1;
  std::string zone;
  std::string imageId;
  std::string osName;
  bool windows = false;
  std::string created;  // ISO 8601 in the provider's style
  std::vector<Address> addresses;
  std::string diskType;
  std::string chargeType;
  int bandwidth = 1;

  // A change under way: at `due` the state becomes `finalState` (or the machine goes).
  bool pending = false;
  std::string finalState;
  bool removeWhenDone = false;
  std::chrono::steady_clock::time_point due{};
  std::uint64_t generation = 0;  // bumps on every change, so stale timers are ignored

  // Timed destruction chosen at creation.
  std::optional<std::chrono::steady_clock::time_point> destroyDue;
  std::string destroyAtText;  // ISO time shown in the machine's reply
};

}  // namespace ydt::sim
