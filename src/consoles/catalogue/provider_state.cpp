#include "consoles/catalogue/provider_state.h"

namespace ydt {

void ApplyFixedStartValues(ProviderState& state, ProviderKind kind) {
  state.imageType = std::string(Info(kind).imageTypeCodes[0]);
  state.bandwidth = 1;
  state.machineCount = 1;
  state.destroyTimer = 0;
  if (kind == ProviderKind::Tencent) state.chargeType = "POSTPAID_BY_HOUR";
}

}  // namespace ydt
