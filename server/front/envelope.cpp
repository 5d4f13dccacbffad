#include "envelope.h"

namespace ydt::front {

std::string EnvelopeText(const CloudReply& reply) {
  // Written member by member, as dump() would write the whole object, so that `data` (a page
  // of machines, the bulk of every list reply) is serialised once and never copied.
  constexpr auto kReplace = nlohmann::ordered_json::error_handler_t::replace;
  const std::string msg = nlohmann::ordered_json(reply.msg).dump(-1, ' ', false, kReplace);
  const std::string dumped =
      reply.dataText.empty() ? reply.data.dump(-1, ' ', false, kReplace) : std::string();
  const std::string& data = reply.dataText.empty() ? dumped : reply.dataText;
  const std::string code = std::to_string(reply.code);
  std::string text;
  text.reserve(code.size() + msg.size() + data.size() + 24);
  text.append("{\"code\":").append(code).append(",\"msg\":").append(msg);
  text.append(",\"data\":").append(data).append("}");
  return text;
}

}  // namespace ydt::front
