#include "catalogue.h"

#include <algorithm>
#include <array>

namespace ydt::sim {
namespace {

struct RegionName {
  const char* code;
  const char* city;
};

const std::vector<RegionName>& RegionNames(Provider provider) {
  static const std::vector<RegionName> qcloud = {
      {"ap-beijing", "北京"},  {"ap-shanghai", "上海"},      {"ap-guangzhou", "广州"},
      {"ap-nanjing", "南京"},  {"ap-chengdu", "成都"},       {"ap-chongqing", "重庆"},
      {"ap-hongkong", "香港"}, {"ap-singapore", "新加坡"},   {"ap-seoul", "首尔"},
      {"ap-tokyo", "东京"},    {"na-siliconvalley", "硅谷"}, {"eu-frankfurt", "法兰克福"}};
  static const std::vector<RegionName> aliyun = {
      {"cn-beijing", "北京"},       {"cn-shanghai", "上海"},      {"cn-guangzhou", "广州"},
      {"cn-shenzhen", "深圳"},      {"cn-hangzhou", "杭州"},      {"cn-nanjing", "南京"},
      {"cn-chengdu", "成都"},       {"cn-chongqing", "重庆"},     {"cn-qingdao", "青岛"},
      {"cn-zhangjiakou", "张家口"}, {"cn-huhehaote", "呼和浩特"}, {"cn-hongkong", "香港"},
      {"ap-southeast-1", "新加坡"}, {"ap-northeast-1", "东京"},   {"ap-southeast-2", "悉尼"},
      {"us-west-1", "硅谷"},        {"eu-central-1", "法兰克福"}};
  static const std::vector<RegionName> huawei = {
      {"cn-north-4", "北京四"},   {"cn-east-3", "上海一"},      {"cn-east-2", "上海二"},
      {"cn-south-1", "广州"},     {"cn-southwest-2", "贵阳一"}, {"ap-southeast-1", "香港"},
      {"ap-southeast-2", "曼谷"}, {"ap-southeast-3", "新加坡"}, {"af-south-1", "约翰内斯堡"}};
  switch (provider) {
    case Provider::kQcloud:
      return qcloud;
    case Provider::kAliyun:
      return aliyun;
    case Provider::kHuawei:
      break;
  }
  return huawei;
}

int RegionIndex(Provider provider, const std::string& region) {
  const auto& names = RegionNames(provider);
  for (size_t i = 0; i < names.size(); ++i) {
    if (region == names[i].code) return static_cast<int>(i);
  }
  return -1;
}

const std::vector<std::string>& HuaweiZones(const std::string& region) {
  static const std::vector<std::pair<std::string, std::vector<std::string>>> table = {
      {"cn-north-4", {"cn-north-4a", "cn-north-4b", "cn-north-4c", "cn-north-4g"}},
      {"cn-east-3", {"cn-east-3a", "cn-east-3b", "cn-east-3c"}},
      {"cn-east-2", {"cn-east-2a", "cn-east-2b", "cn-east-2c", "cn-east-2d"}},
      {"cn-south-1", {"cn-south-1a", "cn-south-2b", "cn-south-1c", "cn-south-1e", "cn-south-1f"}},
      {"cn-southwest-2", {"cn-southwest-2a"}},
      {"ap-southeast-1", {"ap-southeast-1a", "ap-southeast-1b"}},
      {"ap-southeast-2", {"ap-southeast-2a", "ap-southeast-2b"}},
      {"ap-southeast-3", {"ap-southeast-3a", "ap-southeast-3b", "ap-southeast-3c"}},
      {"af-south-1", {"af-south-1a", "af-south-1b"}}};
  static const std::vector<std::string> none;
  for (const auto& [code, zones] : table) {
    if (code == region) return zones;
  }
  return none;
}

constexpr std::array<const char*, 8> kNumerals = {"一", "二", "三", "四", "五", "六", "七", "八"};

}  // namespace

const std::vector<std::string>& Catalogue::Regions(Provider provider) {
  static const auto build = [](Provider p) {
    std::vector<std::string> codes;
    for (const auto& r : RegionNames(p)) codes.emplace_back(r.code);
    return codes;
  };
  static const std::vector<std::string> qcloud = build(Provider::kQcloud);
  static const std::vector<std::string> aliyun = build(Provider::kAliyun);
  static const std::vector<std::string> huawei = build(Provider::kHuawei);
  switch (provider) {
    case Provider::kQcloud:
      return qcloud;
    case Provider::kAliyun:
      return aliyun;
    case Provider::kHuawei:
      break;
  }
  return huawei;
}

bool Catalogue::HasRegion(Provider provider, const std::string& region) {
  return RegionIndex(provider, region) >= 0;
}

std::vector<Zone> Catalogue::Zones(Provider provider, const std::string& region) {
  std::vector<Zone> zones;
  const int index = RegionIndex(provider, region);
  if (index < 0) return zones;
  if (provider == Provider::kHuawei) {
    for (const auto& id : HuaweiZones(region)) zones.push_back({id, id, "", "available", true});
    return zones;
  }
  const auto& city = RegionNames(provider)[static_cast<size_t>(index)].city;
  const int count = provider == Provider::kQcloud ? 3 + index % 3 : 3 + index % 4;
  for (int k = 0; k < count; ++k) {
    Zone zone;
    // The last zone of every region is sold out, so the console's filter has work to do.
    zone.usable = k != count - 1;
    if (provider == Provider::kQcloud) {
      zone.id = region + "-" + std::to_string(k + 1);
      zone.name = std::string(city) + kNumerals[static_cast<size_t>(k)] + "区";
      zone.numericId = std::to_string(100000 * (index + 1) + k + 1);
      zone.state = zone.usable ? "AVAILABLE" : "UNAVAILABLE";
      // One region answers in lower case, as some API versions do.
      if (region == "ap-guangzhou" && k == 1) zone.state = "available";
    } else {
      zone.id = region + "-" + static_cast<char>('a' + k + (k >= 2 ? 3 : 0));
      zone.name = zone.id;
      zone.state = zone.usable ? "Available" : "SoldOut";
    }
    zones.push_back(std::move(zone));
  }
  return zones;
}

std::optional<Zone> Catalogue::FindZone(Provider provider, const std::string& region,
                                        const std::string& zone) {
  for (auto& z : Zones(provider, region)) {
    if (z.id == zone) return z;
  }
  return std::nullopt;
}

std::vector<Flavor> Catalogue::Flavors(Provider provider, const std::string& region,
                                       const std::string& zone) {
  std::vector<Flavor> result;
  auto found = FindZone(provider, region, zone);
  if (!found || !found->usable) return result;
  const bool oddZone = (zone.back() % 2) == 1;
  if (provider == Provider::kQcloud) {
    result = {{"S1.SMALL1", 1, 1, "Available"}, {"S5.SMALL1", 1, 1, "Available"},
              {"S5.SMALL2", 1, 2, "Available"}, {"S5.MEDIUM4", 2, 4, "Available"},
              {"S5.LARGE8", 4, 8, "Available"}, {"SA2.MEDIUM4", 2, 4, "Available"}};
    if (oddZone) result.pop_back();
  } else if (provider == Provider::kAliyun) {
    result = {{"ecs.s6-c1m1.small", 1, 1, "Available"},
              {"ecs.s6-c1m2.small", 1, 2, "Available"},
              {"ecs.t5-lc1m1.small", 1, 1, "Available"},
              {"ecs.c6.large", 2, 4, "Available"},
              {"ecs.g6.large", 2, 8, oddZone ? "SoldOut" : "Available"}};
  } else {
    result = {{"sn3.small.1", 1, 1, "Available"},
              {"s6.small.1", 1, 1, "Available"},
              {"s6.medium.2", 1, 2, "Available"},
              {"s6.large.2", 2, 4, "Available"},
              {"c6.large.2", 2, 4, "Available"}};
  }
  return result;
}

std::optional<Flavor> Catalogue::FindFlavor(Provider provider, const std::string& name) {
  // Every flavor exists in the first zone of the first region.
  const auto& region = Regions(provider).front();
  for (const auto& zone : Zones(provider, region)) {
    for (auto& f : Flavors(provider, region, zone.id)) {
      if (f.name == name) return f;
    }
  }
  return std::nullopt;
}

const std::vector<Image>& Catalogue::PublicImages(Provider provider) {
  static const std::vector<Image> qcloud = {
      {"img-9qabwvbn", "CentOS 7.9 64位", "PUBLIC_IMAGE", "CentOS 7.9 64位", false},
      {"img-22trbn9x", "Ubuntu Server 20.04 LTS 64位", "PUBLIC_IMAGE",
       "Ubuntu Server 20.04 LTS 64位", false},
      {"img-mmytdhbn", "Windows Server 2019 数据中心版 64位中文版", "PUBLIC_IMAGE",
       "Windows Server 2019 数据中心版 64位中文版", true}};
  static const std::vector<Image> aliyun = {
      {"centos_7_9_x64_20G_alibase_20230613.vhd", "CentOS 7.9 64位", "system", "CentOS  7.9 64位",
       false},
      {"ubuntu_20_04_x64_20G_alibase_20230615.vhd", "Ubuntu 20.04 64位", "system",
       "Ubuntu  20.04 64位", false},
      {"win2019_1809_x64_dtc_zh-cn_40G_alibase_20230614.vhd",
       "Windows Server 2019 数据中心版 64位中文版", "system",
       "Windows Server  2019 数据中心版 64位中文版", true}};
  static const std::vector<Image> huawei = {
      {"67f433d8-ed0e-4321-a8a2-a71838539e09", "CentOS 7.9 64bit", "gold", "CentOS 7.9 64bit",
       false},
      {"4e2a6a9b-3c4d-45e8-9f36-0d2a7f9b1c11", "Ubuntu 20.04 server 64bit", "gold",
       "Ubuntu 20.04 server 64bit", false},
      {"b1d4a0c2-7e55-4f0e-8c1d-5a6b7c8d9e10", "Windows Server 2019 数据中心版 64位", "gold",
       "Windows Server 2019 数据中心版 64位", true}};
  switch (provider) {
    case Provider::kQcloud:
      return qcloud;
    case Provider::kAliyun:
      return aliyun;
    case Provider::kHuawei:
      break;
  }
  return huawei;
}

const std::vector<std::string>& Catalogue::DiskTypes(Provider provider) {
  static const std::vector<std::string> qcloud = {"CLOUD_PREMIUM", "CLOUD_SSD", "CLOUD_BSSD"};
  static const std::vector<std::string> aliyun = {"cloud_efficiency", "cloud_essd", "cloud_ssd"};
  static const std::vector<std::string> huawei = {"SAS", "SSD", "co-p1", "GPSSD"};
  switch (provider) {
    case Provider::kQcloud:
      return qcloud;
    case Provider::kAliyun:
      return aliyun;
    case Provider::kHuawei:
      break;
  }
  return huawei;
}

const std::vector<std::string>& Catalogue::ChargeTypes() {
  static const std::vector<std::string> types = {"POSTPAID_BY_HOUR", "SPOTPAID", "PREPAID"};
  return types;
}

ImageKinds Catalogue::Kinds(Provider provider) {
  switch (provider) {
    case Provider::kQcloud:
      return {"PRIVATE_IMAGE", "SHARED_IMAGE", "PUBLIC_IMAGE"};
    case Provider::kAliyun:
      return {"self", "others", "system"};
    case Provider::kHuawei:
      break;
  }
  return {"private", "shared", "gold"};
}

}  // namespace ydt::sim
