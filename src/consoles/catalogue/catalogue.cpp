#include "consoles/catalogue/catalogue.h"

#include "service/text/text.h"

namespace ydt {
namespace {

constexpr std::string_view kTencentRegions[] = {
    "北京（ap-beijing）",  "上海（ap-shanghai）",      "广州（ap-guangzhou）",
    "南京（ap-nanjing）",  "成都（ap-chengdu）",       "重庆（ap-chongqing）",
    "香港（ap-hongkong）", "新加坡（ap-singapore）",   "首尔（ap-seoul）",
    "东京（ap-tokyo）",    "硅谷（na-siliconvalley）", "法兰克福（eu-frankfurt）"};

constexpr std::string_view kAliyunRegions[] = {
    "北京（cn-beijing）",       "上海（cn-shanghai）",      "广州（cn-guangzhou）",
    "深圳（cn-shenzhen）",      "杭州（cn-hangzhou）",      "南京（cn-nanjing）",
    "成都（cn-chengdu）",       "重庆（cn-chongqing）",     "青岛（cn-qingdao）",
    "张家口（cn-zhangjiakou）", "呼和浩特（cn-huhehaote）", "香港（cn-hongkong）",
    "新加坡（ap-southeast-1）", "东京（ap-northeast-1）",   "悉尼（ap-southeast-2）",
    "硅谷（us-west-1）",        "法兰克福（eu-central-1）"};

constexpr std::string_view kHuaweiRegions[] = {
    "北京四（cn-north-4）",   "上海一（cn-east-3）",      "上海二（cn-east-2）",
    "广州（cn-south-1）",     "贵阳一（cn-southwest-2）", "香港（ap-southeast-1）",
    "曼谷（ap-southeast-2）", "新加坡（ap-southeast-3）", "约翰内斯堡（af-south-1）"};

constexpr StateWordEntry kTencentStates[] = {
    {"PENDING", "创建中"},   {"LAUNCH_FAILED", "创建失败"}, {"RUNNING", "运行中"},
    {"STOPPED", "关机"},     {"STARTING", "开机中"},        {"STOPPING", "关机中"},
    {"REBOOTING", "重启中"}, {"SHUTDOWN", "停止待销毁"},    {"TERMINATING", "销毁中"}};

constexpr StateWordEntry kAliyunStates[] = {{"PENDING", "创建中"},
                                            {"RUNNING", "运行中"},
                                            {"STOPPED", "关机"},
                                            {"STARTING", "开机中"},
                                            {"STOPPING", "关机中"}};

constexpr StateWordEntry kHuaweiStates[] = {{"BUILD", "创建中"},
                                            {"REBOOT", "重启中"},
                                            {"HARD_REBOOT", "强制重启中"},
                                            {"REBUILD", "重建中"},
                                            {"MIGRATING", "热迁移中"},
                                            {"RESIZE", "调整配置中"},
                                            {"ACTIVE", "运行中"},
                                            {"SHUTOFF", "关机"},
                                            {"REVERT_RESIZE", "退回配置中"},
                                            {"VERIFY_RESIZE", "校验配置中"},
                                            {"ERROR", "异常中"},
                                            {"DELETED", "已删除"}};

constexpr std::string_view kTencentDisks[] = {"高性能云硬盘（CLOUD_PREMIUM）",
                                              "SSD云硬盘（CLOUD_SSD）"};
constexpr std::string_view kAliyunDisks[] = {"高效云盘（cloud_efficiency）",
                                             "ESSD云盘（cloud_essd）", "SSD云盘（cloud_ssd）"};
constexpr std::string_view kHuaweiDisks[] = {"高IO（SAS）", "通用型SSD（SSD）", "超高IO（co-p1）"};

const ProviderInfo kProviders[] = {
    {
        .kind = ProviderKind::Tencent,
        .displayName = "腾讯云",
        .segment = "qcloud",
        .section = "qcloud",
        .regionItems = kTencentRegions,
        .stateWords = kTencentStates,
        .totalPath = "data.TotalCount",
        .listPath = "data.InstanceSet",
        .paging = PagingStyle::Offset,
        .firstRowNumber = 1,
        .imageTypeCodes = {"PRIVATE_IMAGE", "SHARED_IMAGE", "PUBLIC_IMAGE"},
        .imageListPath = "data.ImageSet",
        .imageIdField = "ImageId",
        .imageNameField = "ImageName",
        .diskTypeItems = kTencentDisks,
        .instanceTypeDefault = "S1.SMALL1",
        .keyHintCaption = "腾讯云登录秘钥（右上角控制台→访问管理→访问秘钥-API秘钥管理）",
        .testButtonName = "按钮_腾讯云_测试登录",
        .instanceTypeButtonName = "按钮_腾讯云_查机器资源",
        .netHelpButtonA = "",
        .netHelpButtonB = "",
        .netIdRoleA = "",
        .netIdRoleB = "",
        .netIdCaptionA = "",
        .netIdCaptionB = "",
        .netIdKeyA = "",
        .netIdKeyB = "",
        .netIdSampleA = "",
        .netIdSampleB = "",
    },
    {
        .kind = ProviderKind::Aliyun,
        .displayName = "阿里云",
        .segment = "aliyun",
        .section = "aliyun",
        .regionItems = kAliyunRegions,
        .stateWords = kAliyunStates,
        .totalPath = "data.TotalCount",
        .listPath = "data.Instances.Instance",
        .paging = PagingStyle::Page,
        .firstRowNumber = 1,
        .imageTypeCodes = {"self", "others", "system"},
        .imageListPath = "data.Images.Image",
        .imageIdField = "ImageId",
        .imageNameField = "ImageName",
        .diskTypeItems = kAliyunDisks,
        .instanceTypeDefault = "ecs.s6-c1m1.small",
        .keyHintCaption = "阿里云登录秘钥（右上角控制台→AccessKey管理）",
        .testButtonName = "按钮_阿里云_登录",
        .instanceTypeButtonName = "按钮_阿里云_查机器资源",
        .netHelpButtonA = "按钮_阿里云_查机器资源1",
        .netHelpButtonB = "按钮_阿里云_查机器资源2",
        .netIdRoleA = "安全组ID",
        .netIdRoleB = "交换机ID",
        .netIdCaptionA = "安全组ID:",
        .netIdCaptionB = "交换机ID:",
        .netIdKeyA = "securitygroupid",
        .netIdKeyB = "vswitchid",
        .netIdSampleA = "sg-ujzde8gxd6ncf10epf91",
        .netIdSampleB = "vsw-dhodzdoc9is0j8ht9lgmx",
    },
    {
        .kind = ProviderKind::Huawei,
        .displayName = "华为云",
        .segment = "huawei",
        .section = "huawei",
        .regionItems = kHuaweiRegions,
        .stateWords = kHuaweiStates,
        .totalPath = "data.count",
        .listPath = "data.servers",
        .paging = PagingStyle::Page,
        .firstRowNumber = 0,
        .imageTypeCodes = {"private", "shared", "gold"},
        .imageListPath = "data.images",
        .imageIdField = "id",
        .imageNameField = "name",
        .diskTypeItems = kHuaweiDisks,
        .instanceTypeDefault = "sn3.small.1",
        .keyHintCaption = "华为云登录秘钥（右上角控制台→我的凭证→访问密钥）",
        .testButtonName = "按钮_华为云_登录",
        // The Huawei tab's buttons carry Aliyun names in the form; kept as they are.
        .instanceTypeButtonName = "按钮_阿里云_查机器资源5",
        .netHelpButtonA = "按钮_阿里云_查机器资源4",
        .netHelpButtonB = "按钮_阿里云_查机器资源3",
        .netIdRoleA = "VPCID",
        .netIdRoleB = "SUBNETID",
        .netIdCaptionA = "VPC ID:",
        .netIdCaptionB = "子网ID:",
        .netIdKeyA = "vpcid",
        .netIdKeyB = "subnetid",
        .netIdSampleA = "1012f037-b64c-4422-8c38-fb2918f135d2",
        .netIdSampleB = "34b9b5df-9e77-49b1-8f42-05b4907a70c3",
    },
};

constexpr BandwidthItem kBandwidthItems[] = {{"1Mbps", 1},   {"2Mbps", 2},   {"3Mbps", 3},
                                             {"5Mbps", 5},   {"10Mbps", 10}, {"20Mbps", 20},
                                             {"30Mbps", 30}, {"50Mbps", 50}, {"100Mbps", 100}};

constexpr std::string_view kChargeTypeItems[] = {"按小时后付费（POSTPAID_BY_HOUR）",
                                                 "竞价付费（SPOTPAID）"};

struct ZoneRow {
  std::string_view region;
  std::span<const std::string_view> zones;
};

constexpr std::string_view kZonesNorth4[] = {"cn-north-4a", "cn-north-4b", "cn-north-4c",
                                             "cn-north-4g"};
constexpr std::string_view kZonesEast3[] = {"cn-east-3a", "cn-east-3b", "cn-east-3c"};
constexpr std::string_view kZonesEast2[] = {"cn-east-2a", "cn-east-2b", "cn-east-2c", "cn-east-2d"};
// The second zone really is cn-south-2b: that is what the backend accepts for cn-south-1.
constexpr std::string_view kZonesSouth1[] = {"cn-south-1a", "cn-south-2b", "cn-south-1c",
                                             "cn-south-1e", "cn-south-1f"};
constexpr std::string_view kZonesSouthwest2[] = {"cn-southwest-2a"};
constexpr std::string_view kZonesApSe1[] = {"ap-southeast-1a", "ap-southeast-1b"};
constexpr std::string_view kZonesApSe2[] = {"ap-southeast-2a", "ap-southeast-2b"};
constexpr std::string_view kZonesApSe3[] = {"ap-southeast-3a", "ap-southeast-3b",
                                            "ap-southeast-3c"};
constexpr std::string_view kZonesAfSouth1[] = {"af-south-1a", "af-south-1b"};

constexpr ZoneRow kHuaweiZoneTable[] = {
    {"cn-north-4", kZonesNorth4},         {"cn-east-3", kZonesEast3},
    {"cn-east-2", kZonesEast2},           {"cn-south-1", kZonesSouth1},
    {"cn-southwest-2", kZonesSouthwest2}, {"ap-southeast-1", kZonesApSe1},
    {"ap-southeast-2", kZonesApSe2},      {"ap-southeast-3", kZonesApSe3},
    {"af-south-1", kZonesAfSouth1}};

}  // namespace

std::optional<ProviderKind> ProviderFromIndex(int index) {
  if (index < 0 || index > 2) return std::nullopt;
  return static_cast<ProviderKind>(index);
}

const ProviderInfo& Info(ProviderKind kind) {
  return kProviders[ProviderIndex(kind)];
}

std::span<const BandwidthItem> BandwidthItems() {
  return kBandwidthItems;
}

std::span<const std::string_view> ChargeTypeItems() {
  return kChargeTypeItems;
}

std::string WidgetName(std::string_view controlKind, ProviderKind kind, std::string_view role) {
  std::string name(controlKind);
  name += '_';
  name += Info(kind).displayName;
  name += '_';
  name += role;
  return name;
}

std::string BackendPath(ProviderKind kind, std::string_view operation) {
  std::string path = "/yunduotai/";
  path += Info(kind).segment;
  path += '/';
  path += operation;
  path += '/';
  return path;
}

std::string LogTitle(ProviderKind kind, std::string_view suffix) {
  std::string title(Info(kind).displayName);
  title += " - ";
  title += suffix;
  return title;
}

std::string itemCode(std::string_view itemText) {
  constexpr std::string_view kOpen = "（";
  constexpr std::string_view kClose = "）";
  const std::size_t open = itemText.find(kOpen);
  if (open == std::string_view::npos) return {};
  // Only the text up to the next "（" is the code's part; a later bracket starts a third part.
  std::string_view part = itemText.substr(open + kOpen.size());
  const std::size_t next = part.find(kOpen);
  if (next != std::string_view::npos) part = part.substr(0, next);
  std::string code;
  code.reserve(part.size());
  for (std::size_t i = 0; i < part.size();) {
    if (part.substr(i, kClose.size()) == kClose) {
      i += kClose.size();
    } else if (part.substr(i, 2) == "\r\n") {
      i += 2;
    } else {
      code += part[i++];
    }
  }
  return TrimSpaces(code);
}

std::string StateWord(ProviderKind kind, std::string_view code) {
  std::string upper = ToUpperText(code);
  for (const StateWordEntry& entry : Info(kind).stateWords) {
    if (entry.code == upper) return std::string(entry.word);
  }
  return upper;
}

std::span<const std::string_view> HuaweiZones(std::string_view regionCode) {
  for (const ZoneRow& row : kHuaweiZoneTable) {
    if (row.region == regionCode) return row.zones;
  }
  return {};
}

std::optional<std::string_view> ImageTypeCode(ProviderKind kind, std::string_view itemText) {
  for (std::size_t i = 0; i < kImageTypeItems.size(); ++i) {
    if (kImageTypeItems[i] == itemText) return Info(kind).imageTypeCodes[i];
  }
  return std::nullopt;
}

}  // namespace ydt
