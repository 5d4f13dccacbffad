#include "envelope.h"

namespace ydt::front {

std::string EnvelopeText(const CloudReply& reply) {
  // Written member by member, as dump() would write the whole object, so that `data` (a page
  // of machines, the bulk of every list reply) is serialised once and never copied.
  constexpr auto kReplace = nlohmann::ordered_json::error_handler_t::replace;
  std::string text = "{\"code\":" + std::to_string(reply.code) + ",\"msg\":";
  text += nlohmann::ordered_json(reply.msg).dump(-1, ' ', false, kReplace);
  text += ",\"data\":";
  text += reply.dataText.empty() ? reply.data.dump(-1, ' ', false, kReplace) : reply.dataText;
  text += '}';
  return text;
}

}  // namespace ydt::front
