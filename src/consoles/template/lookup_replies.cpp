#include "consoles/template/lookup_replies.h"

#include <algorithm>

#include "service/text/text.h"

namespace ydt {
namespace {

std::string At(std::string_view list, int i, std::string_view member) {
  std::string path(list);
  path += "[" + std::to_string(i) + "]";
  if (!member.empty()) {
    path += ".";
    path += member;
  }
  return path;
}

bool IsAvailable(const std::string& state) {
  return ToUpperText(state) == "AVAILABLE";
}

std::string Bracketed(const std::string& name, const std::string& code) {
  return name + "（" + code + "）";
}

}  // namespace

std::optional<ZoneList> ZonesFromReply(ProviderKind kind, const JsonDoc& reply) {
  ZoneList zones;
  if (kind == ProviderKind::Tencent) {
    constexpr std::string_view kSet = "data.ZoneSet";
    const int total = TextToInt(reply.GetText("data.TotalCount"));
    if (total <= 0) return std::nullopt;
    // Elements past the end of the set read empty and are never available, so walking
    // only the set gives the same list without trusting a huge TotalCount.
    const int n = std::min(total, reply.Count(std::string(kSet)));
    for (int i = 0; i < n; ++i) {
      if (!IsAvailable(reply.GetText(At(kSet, i, "ZoneState")))) continue;
      const std::string zone = reply.GetText(At(kSet, i, "Zone"));
      zones.items.push_back({Bracketed(reply.GetText(At(kSet, i, "ZoneName")), zone), zone});
    }
  } else if (kind == ProviderKind::Aliyun) {
    constexpr std::string_view kSet = "data.AvailableZones.AvailableZone";
    const int n = reply.Count(std::string(kSet));
    if (n <= 0) return std::nullopt;
    for (int i = 0; i < n; ++i) {
      if (!IsAvailable(reply.GetText(At(kSet, i, "Status")))) continue;
      const std::string zone = reply.GetText(At(kSet, i, "ZoneId"));
      zones.items.push_back({zone, zone});
    }
  } else {
    return std::nullopt;
  }
  if (!zones.items.empty()) zones.firstZone = zones.items.front().code;
  return zones;
}

ZoneList HuaweiZoneList(const std::string& regionCode) {
  ZoneList zones;
  for (std::string_view zone : HuaweiZones(regionCode)) {
    zones.items.push_back({std::string(zone), std::string(zone)});
  }
  if (!zones.items.empty()) zones.firstZone = zones.items.front().code;
  return zones;
}

ImageList ImagesFromReply(ProviderKind kind, const JsonDoc& reply, std::string_view emptyItem) {
  const ProviderInfo& info = Info(kind);
  const std::string list(info.imageListPath);
  ImageList images;
  const int n = reply.Count(list);
  if (n < 1) {
    images.items.push_back({std::string(emptyItem), itemCode(emptyItem)});
    return images;
  }
  for (int i = 0; i < n; ++i) {
    const std::string id = reply.GetText(At(list, i, info.imageIdField));
    const std::string name = reply.GetText(At(list, i, info.imageNameField));
    images.items.push_back({Bracketed(name, id), id});
  }
  images.firstImage = images.items.front().code;
  return images;
}

std::string InstanceTypeLines(ProviderKind kind, const JsonDoc& reply) {
  std::string text;
  switch (kind) {
    case ProviderKind::Tencent: {
      constexpr std::string_view kSet = "data.InstanceTypeConfigSet";
      const int n = reply.Count(std::string(kSet));
      for (int i = 0; i < n; ++i) {
        text += "区域：" + reply.GetText(At(kSet, i, "Zone")) + " 机型：" +
                reply.GetText(At(kSet, i, "InstanceType")) + " CPU：" +
                reply.GetText(At(kSet, i, "CPU")) + " 内存：" +
                reply.GetText(At(kSet, i, "Memory")) + "\r\n";
      }
      break;
    }
    case ProviderKind::Aliyun: {
      constexpr std::string_view kSet =
          "data.AvailableZones.AvailableZone[0].AvailableResources.AvailableResource[0]."
          "SupportedResources.SupportedResource";
      const std::string zone = reply.GetText("data.AvailableZones.AvailableZone[0].ZoneId");
      const int n = reply.Count(std::string(kSet));
      for (int i = 0; i < n; ++i) {
        if (!IsAvailable(reply.GetText(At(kSet, i, "Status")))) continue;
        text += "区域：" + zone + " 机型：" + reply.GetText(At(kSet, i, "Value")) + "\r\n";
      }
      break;
    }
    case ProviderKind::Huawei: {
      constexpr std::string_view kSet = "data.flavors";
      const int n = reply.Count(std::string(kSet));
      for (int i = 0; i < n; ++i) {
        text += "机型：" + reply.GetText(At(kSet, i, "name")) + " CPU：" +
                reply.GetText(At(kSet, i, "vcpus")) + " 内存：" +
                reply.GetText(At(kSet, i, "ram")) + "\r\n";
      }
      break;
    }
  }
  return text;
}

}  // namespace ydt
