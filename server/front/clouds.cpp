#include "clouds.h"

#include <array>
#include <utility>

namespace ydt::front {
namespace {

constexpr std::array<std::pair<Operation, std::string_view>, 11> kPaths = {{
    {Operation::kInstances, "instances"},
    {Operation::kStart, "startinstances"},
    {Operation::kStop, "stopinstances"},
    {Operation::kTerminate, "terminateinstances"},
    {Operation::kBalance, "accountbalance"},
    {Operation::kZones, "zones"},
    {Operation::kImages, "images"},
    {Operation::kRebuildImages, "rebuild/images"},
    {Operation::kInstanceTypes, "instancetypeconfigs"},
    {Operation::kRun, "runinstances"},
    {Operation::kRebuild, "rebuild/run"},
}};

constexpr std::array<std::pair<Provider, std::string_view>, 3> kSegments = {{
    {Provider::kQcloud, "qcloud"},
    {Provider::kAliyun, "aliyun"},
    {Provider::kHuawei, "huawei"},
}};

}  // namespace

std::optional<Provider> ProviderFromSegment(std::string_view segment) {
  for (const auto& [provider, name] : kSegments) {
    if (name == segment) return provider;
  }
  return std::nullopt;
}

std::string_view SegmentOf(Provider provider) {
  for (const auto& [p, name] : kSegments) {
    if (p == provider) return name;
  }
  return {};
}

std::optional<Operation> OperationFromPath(std::string_view path) {
  for (const auto& [operation, name] : kPaths) {
    if (name == path) return operation;
  }
  return std::nullopt;
}

std::string_view PathOf(Operation operation) {
  for (const auto& [op, name] : kPaths) {
    if (op == operation) return name;
  }
  return {};
}

}  // namespace ydt::front
