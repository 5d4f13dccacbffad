#include "envelope.h"

namespace ydt::front {

std::string EnvelopeText(const CloudReply& reply) {
  nlohmann::ordered_json envelope;
  envelope["code"] = reply.code;
  envelope["msg"] = reply.msg;
  envelope["data"] = reply.data;
  return envelope.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
}

}  // namespace ydt::front
