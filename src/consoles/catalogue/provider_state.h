// ProviderState: the running record of one provider tab's current choices (region, zone,
// creation template, reinstall choices, remembered grid row).
#pragma once

#include <string>

#include "consoles/catalogue/catalogue.h"

namespace ydt {

struct ProviderState {
  std::string regionCode;
  std::string zoneCode;
  std::string imageType;
  std::string imageId;
  std::string instanceType;
  std::string diskType;
  int bandwidth = 0;
  // Aliyun only.
  std::string securityGroupId;
  std::string vswitchId;
  // Huawei only.
  std::string vpcId;
  std::string subnetId;
  std::string password;
  int machineCount = 0;
  int destroyTimer = 0;
  int destroyHours = 0;
  // Tencent only.
  std::string chargeType;
  std::string reinstallImageType;
  std::string reinstallImageId;
  int selectedRow = 0;
};

// Sets the values every record takes when the main window is created and that do not come
// from a control: the private image type, bandwidth 1, one machine, no timed destruction
// and, for Tencent, hourly billing.
void ApplyFixedStartValues(ProviderState& state, ProviderKind kind);

}  // namespace ydt
