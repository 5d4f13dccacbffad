#include "live/aliyun/aliyun_endpoints.h"

#include <algorithm>
#include <iterator>

namespace ydt::live::aliyun {
namespace {

// The console's seventeen regions first, then the other public ECS regions of the
// provider's endpoint list and of the official SDK's endpoint maps.
constexpr std::string_view kRegions[] = {
    "cn-beijing",     "cn-shanghai",      "cn-guangzhou",   "cn-shenzhen",    "cn-hangzhou",
    "cn-nanjing",     "cn-chengdu",       "cn-chongqing",   "cn-qingdao",     "cn-zhangjiakou",
    "cn-huhehaote",   "cn-hongkong",      "ap-southeast-1", "ap-northeast-1", "ap-southeast-2",
    "us-west-1",      "eu-central-1",     "cn-wulanchabu",  "cn-heyuan",      "cn-fuzhou",
    "cn-wuhan-lr",    "cn-zhengzhou-jva", "ap-northeast-2", "ap-southeast-3", "ap-southeast-5",
    "ap-southeast-6", "ap-southeast-7",   "us-east-1",      "eu-west-1",      "me-east-1",
    "ap-south-1",
};

}  // namespace

bool IsKnownRegion(std::string_view region) {
  return std::find(std::begin(kRegions), std::end(kRegions), region) != std::end(kRegions);
}

std::string DefaultHost(std::string_view service, std::string_view region) {
  if (service == kBssService) return "business.aliyuncs.com";
  // The official SDK's endpoint map sends Hangzhou to its central host; every other
  // public region follows the regional rule.
  if (region == "cn-hangzhou") return "ecs-cn-hangzhou.aliyuncs.com";
  return "ecs." + std::string(region) + ".aliyuncs.com";
}

Endpoint ResolveEndpoint(const EndpointOverrides& overrides, std::string_view service,
                         std::string_view region) {
  Endpoint endpoint;
  overrides.Resolve(std::string(service), DefaultHost(service, region), endpoint.scheme,
                    endpoint.host);
  return endpoint;
}

}  // namespace ydt::live::aliyun
