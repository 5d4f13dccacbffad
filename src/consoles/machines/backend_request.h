// BackendRequest: what one CallBackend of the machine grid sends, built apart from sending
// so the wire texts can be checked without a server.
#pragma once

#include <string>

namespace ydt {

struct BackendRequest {
  std::string path;
  std::string form;
  std::string title;

  friend bool operator==(const BackendRequest&, const BackendRequest&) = default;
};

}  // namespace ydt
