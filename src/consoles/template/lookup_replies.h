// Reading the zone, image and instance-type replies of the creation template into the
// items and texts the template shows. Pure functions of a parsed reply.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "consoles/catalogue/catalogue.h"
#include "consoles/template/coded_item.h"
#include "service/json/json_doc.h"

namespace ydt {

// What a zone load puts into the zone box. An empty item list still empties the box.
struct ZoneList {
  std::vector<CodedItem> items;
  // The zone that becomes the template's zone; nothing when no zone was kept.
  std::optional<std::string> firstZone;
};

// What an image load puts into the image box.
struct ImageList {
  std::vector<CodedItem> items;
  // The image that becomes the template's image; nothing when the list came back empty.
  std::optional<std::string> firstImage;
};

inline constexpr std::string_view kZonePlaceholder = "请先选择区域";
inline constexpr std::string_view kImagePlaceholder = "正在加载";
inline constexpr std::string_view kNoImageItem = "无";
inline constexpr std::string_view kInstanceTypesLoading = "正在加载，请勿关闭本窗口";
inline constexpr std::string_view kInstanceTypesFailed = "加载失败";

// Zones of a Tencent or Aliyun zone reply that are available. Nothing when the reply
// reports no zones at all: the box then keeps what it had.
std::optional<ZoneList> ZonesFromReply(ProviderKind kind, const JsonDoc& reply);

// Huawei has no zone request: its zones come from the built-in table.
ZoneList HuaweiZoneList(const std::string& regionCode);

// The images of an image reply (creation and reinstall lists share the layout). An empty
// list gives the single item `emptyItem`.
ImageList ImagesFromReply(ProviderKind kind, const JsonDoc& reply, std::string_view emptyItem);

// The instance types on offer, one line each, in the provider's line format.
std::string InstanceTypeLines(ProviderKind kind, const JsonDoc& reply);

}  // namespace ydt
