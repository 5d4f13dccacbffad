// What each provider offers, fixed at build time: regions, zones, instance types, public
// images, disk types and state codes. Per-account data (machines, private images) lives in
// the world, not here.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "front/clouds.h"

namespace ydt::sim {

using front::Provider;
using front::ProviderFromSegment;
using front::SegmentOf;

inline constexpr Provider kAllProviders[] = {Provider::kQcloud, Provider::kAliyun,
                                             Provider::kHuawei};

struct Zone {
  std::string id;
  std::string name;
  std::string numericId;  // Tencent only
  std::string state;      // in the provider's own wording ("AVAILABLE", "SoldOut", ...)
  bool usable = true;
};

struct Flavor {
  std::string name;
  int cpu = 1;
  int memoryGb = 1;
  std::string status;  // Aliyun's "Available"/"SoldOut"; "Available" elsewhere
};

struct Image {
  std::string id;
  std::string name;
  std::string kind;  // provider code: PUBLIC_IMAGE / system / gold, ...
  std::string osName;
  bool windows = false;
};

// The provider's image kinds in the order private, shared, public.
struct ImageKinds {
  std::string privateKind;
  std::string sharedKind;
  std::string publicKind;
};

class Catalogue {
 public:
  static const std::vector<std::string>& Regions(Provider provider);
  static bool HasRegion(Provider provider, const std::string& region);
  static std::vector<Zone> Zones(Provider provider, const std::string& region);
  static std::optional<Zone> FindZone(Provider provider, const std::string& region,
                                      const std::string& zone);
  static std::vector<Flavor> Flavors(Provider provider, const std::string& region,
                                     const std::string& zone);
  static std::optional<Flavor> FindFlavor(Provider provider, const std::string& name);
  static const std::vector<Image>& PublicImages(Provider provider);
  static const std::vector<std::string>& DiskTypes(Provider provider);
  static const std::vector<std::string>& ChargeTypes();
  static ImageKinds Kinds(Provider provider);
};

}  // namespace ydt::sim
