// Renders machines in each provider's reply shape.
#pragma once

#include <nlohmann/json.hpp>
#include <string>

#include "catalogue.h"
#include "machine.h"

namespace ydt::sim {

nlohmann::ordered_json RenderMachine(Provider provider, const Machine& machine,
                                     const std::string& region);

}  // namespace ydt::sim
