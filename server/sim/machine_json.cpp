#include "machine_json.h"

namespace ydt::sim {
namespace {

using nlohmann::ordered_json;

ordered_json Addresses(const Machine& m, bool floating) {
  ordered_json list = ordered_json::array();
  for (const auto& a : m.addresses) {
    if (a.floating == floating) list.push_back(a.addr);
  }
  return list;
}

ordered_json Tencent(const Machine& m, const std::string& region) {
  ordered_json j;
  j["Placement"] = {{"Zone", m.zone}, {"ProjectId", 0}};
  j["InstanceId"] = m.id;
  j["InstanceType"] = m.instanceType;
  j["CPU"] = m.cpu;
  j["Memory"] = m.memoryGb;
  j["RestrictState"] = "NORMAL";
  j["InstanceName"] = m.name;
  j["InstanceChargeType"] = m.chargeType;
  j["SystemDisk"] = {{"DiskType", m.diskType}, {"DiskSize", 50}};
  j["PrivateIpAddresses"] = Addresses(m, false);
  j["PublicIpAddresses"] = Addresses(m, true);
  j["InternetAccessible"] = {{"InternetChargeType", "TRAFFIC_POSTPAID_BY_HOUR"},
                             {"InternetMaxBandwidthOut", m.bandwidth}};
  j["ImageId"] = m.imageId;
  j["OsName"] = m.osName;
  j["InstanceState"] = m.state;
  j["CreatedTime"] = m.created;
  j["ExpiredTime"] = nullptr;
  j["Region"] = region;
  if (m.destroyDue) {
    j["ActionTimer"] = {{"TimerAction", "TerminateInstances"}, {"ActionTime", m.destroyAtText}};
  }
  return j;
}

ordered_json Aliyun(const Machine& m, const std::string& region) {
  ordered_json j;
  j["InstanceId"] = m.id;
  j["InstanceName"] = m.name == "未命名" ? "launch-advisor-" + m.id.substr(2, 8) : m.name;
  j["RegionId"] = region;
  j["ZoneId"] = m.zone;
  j["Status"] = m.state;
  j["InstanceType"] = m.instanceType;
  j["Cpu"] = m.cpu;
  j["Memory"] = m.memoryGb * 1024;
  j["OSName"] = m.osName;
  j["OSType"] = m.windows ? "windows" : "linux";
  j["ImageId"] = m.imageId;
  j["PublicIpAddress"] = {{"IpAddress", Addresses(m, true)}};
  j["VpcAttributes"] = {{"PrivateIpAddress", {{"IpAddress", Addresses(m, false)}}}};
  j["InternetMaxBandwidthOut"] = m.bandwidth;
  j["InstanceChargeType"] = "PostPaid";
  j["CreationTime"] = m.created;
  j["AutoReleaseTime"] = m.destroyDue ? m.destroyAtText : "";
  return j;
}

ordered_json Huawei(const Machine& m, const std::string& /*region*/) {
  ordered_json j;
  j["id"] = m.id;
  j["name"] = m.name;
  // Grouped by network in first-seen order, each entry carrying its fixed/floating type.
  ordered_json addresses = ordered_json::object();
  for (const auto& a : m.addresses) {
    ordered_json entry;
    entry["version"] = 4;
    entry["addr"] = a.addr;
    entry["OS-EXT-IPS:type"] = a.floating ? "floating" : "fixed";
    entry["OS-EXT-IPS-MAC:mac_addr"] = "fa:16:3e:00:00:01";
    addresses[a.network.empty() ? "default" : a.network].push_back(entry);
  }
  j["addresses"] = addresses;
  j["flavor"] = {{"id", m.instanceType},
                 {"name", m.instanceType},
                 {"disk", "0"},
                 {"vcpus", std::to_string(m.cpu)},
                 {"ram", std::to_string(m.memoryGb * 1024)}};
  j["image"] = {{"id", m.imageId}};
  j["metadata"] = {{"os_type", m.windows ? "Windows" : "Linux"},
                   {"image_name", m.osName},
                   {"charging_mode", "0"}};
  j["status"] = m.state;
  j["OS-EXT-STS:task_state"] = m.taskState;
  j["OS-EXT-AZ:availability_zone"] = m.zone;
  j["created"] = m.created;
  j["auto_terminate_time"] = m.destroyDue ? m.destroyAtText : "";
  return j;
}

}  // namespace

nlohmann::ordered_json RenderMachine(Provider provider, const Machine& machine,
                                     const std::string& region) {
  switch (provider) {
    case Provider::kQcloud:
      return Tencent(machine, region);
    case Provider::kAliyun:
      return Aliyun(machine, region);
    case Provider::kHuawei:
      break;
  }
  return Huawei(machine, region);
}

}  // namespace ydt::sim
