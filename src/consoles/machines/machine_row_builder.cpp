#include "consoles/machines/machine_row_builder.h"

#include <string>

#include "service/text/text.h"

namespace ydt {

namespace {

enum class AddressRule { Plain, HuaweiFloating };

// Where each value of one machine sits below its list element, per provider.
struct MachineFieldPaths {
  std::string_view id, state, typeName, cpu, memory, os, address, imageId, created;
  std::string_view cpuLabel;  // the configuration text's CPU caption
  AddressRule addressRule;
};

const MachineFieldPaths& FieldPaths(ProviderKind kind) {
  // Tencent's PublicIpAddresses is an array: reading it as text joins it with ",".
  static const MachineFieldPaths tencent{
      "InstanceId",        "InstanceState", "InstanceType", "CPU",     "Memory",          "OsName",
      "PublicIpAddresses", "ImageId",       "CreatedTime",  "（CPU：", AddressRule::Plain};
  static const MachineFieldPaths aliyun{"InstanceId",
                                        "Status",
                                        "InstanceType",
                                        "Cpu",
                                        "Memory",
                                        "OSName",
                                        "PublicIpAddress.IpAddress[0]",
                                        "ImageId",
                                        "CreationTime",
                                        "（Cpu：",
                                        AddressRule::Plain};
  static const MachineFieldPaths huawei{"id",
                                        "status",
                                        "flavor.name",
                                        "flavor.vcpus",
                                        "flavor.ram",
                                        "metadata.os_type",
                                        "addresses",
                                        "image.id",
                                        "created",
                                        "（Cpu：",
                                        AddressRule::HuaweiFloating};
  switch (kind) {
    case ProviderKind::Tencent:
      return tencent;
    case ProviderKind::Aliyun:
      return aliyun;
    case ProviderKind::Huawei:
      break;
  }
  return huawei;
}

std::string ReplaceAll(std::string text, std::string_view what, std::string_view with) {
  std::size_t at = 0;
  while ((at = text.find(what, at)) != std::string::npos) {
    text.replace(at, what.size(), with);
    at += with.size();
  }
  return text;
}

}  // namespace

std::string CreationTimeText(std::string_view created) {
  return ReplaceAll(ReplaceAll(std::string(created), "T", " "), "Z", "");
}

std::string HuaweiFloatingAddress(std::string_view addressesJson) {
  std::vector<std::string> addrs;
  std::vector<std::string> types;
  ExtractAllBetween(addressesJson, "\"addr\":\"", "\"", addrs);
  ExtractAllBetween(addressesJson, "\"OS-EXT-IPS:type\":\"", "\"", types);
  if (types.empty() || addrs.size() != types.size()) return {};
  for (std::size_t k = 0; k < types.size(); ++k) {
    if (ToLowerText(types[k]) == "floating") return addrs[k];
  }
  return {};
}

void AppendMachineRows(ProviderKind kind, const JsonDoc& page, int& nextNumber,
                       std::vector<MachineRow>& rows) {
  const MachineFieldPaths& paths = FieldPaths(kind);
  // Each field's path is taken apart once per page, not once per machine.
  const JsonPath id(paths.id), state(paths.state), typeName(paths.typeName), cpu(paths.cpu),
      memory(paths.memory), os(paths.os), address(paths.address), imageId(paths.imageId),
      created(paths.created);
  const JsonDoc::Node list = page.At(std::string(Info(kind).listPath));
  const int count = list.Count();
  rows.reserve(rows.size() + static_cast<std::size_t>(count));
  for (int i = 0; i < count; ++i) {
    const JsonDoc::Node element = list.Element(static_cast<std::size_t>(i));

    MachineRow row;
    row.Cell(MachineColumn::RowNumber) = std::to_string(nextNumber++);
    row.Cell(MachineColumn::Id) = element.GetText(id);
    row.Cell(MachineColumn::State) = StateWord(kind, element.GetText(state));
    std::string& configuration = row.Cell(MachineColumn::Configuration);
    configuration = element.GetText(typeName);
    configuration += paths.cpuLabel;
    configuration += element.GetText(cpu);
    configuration += "/内存：";
    configuration += element.GetText(memory);
    configuration += "）";
    row.Cell(MachineColumn::System) = element.GetText(os);
    if (paths.addressRule == AddressRule::HuaweiFloating) {
      row.Cell(MachineColumn::PublicAddress) = HuaweiFloatingAddress(element.At(address).ToText());
    } else {
      row.Cell(MachineColumn::PublicAddress) = element.GetText(address);
    }
    row.Cell(MachineColumn::ImageId) = element.GetText(imageId);
    row.Cell(MachineColumn::CreationTime) = CreationTimeText(element.GetText(created));
    rows.push_back(std::move(row));
  }
}

}  // namespace ydt
