// The envelope every backend operation answers with.
#pragma once

#include <nlohmann/json.hpp>
#include <string>
#include <utility>

namespace ydt::sim {

// Codes the simulator uses; any non-zero code is a failure to the console.
inline constexpr int kCodeOk = 0;
inline constexpr int kCodeBadField = 1001;
inline constexpr int kCodeBadKeys = 1002;
inline constexpr int kCodeRefused = 1003;
inline constexpr int kCodeNotLoggedIn = 401;
inline constexpr int kCodeBadInterface = 403;
inline constexpr int kCodeUnknownOperation = 404;
inline constexpr int kCodeBadMethod = 405;
inline constexpr int kCodeInjected = 500;

struct Reply {
  int code = kCodeOk;
  std::string msg = "操作成功";
  nlohmann::ordered_json data = nlohmann::ordered_json::object();

  static Reply Ok(nlohmann::ordered_json data, std::string msg = "操作成功") {
    return Reply{kCodeOk, std::move(msg), std::move(data)};
  }
  static Reply Fail(int code, std::string msg) {
    return Reply{code, std::move(msg), nlohmann::ordered_json()};
  }
  std::string Dump() const {
    nlohmann::ordered_json envelope;
    envelope["code"] = code;
    envelope["msg"] = msg;
    envelope["data"] = data;
    return envelope.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
  }
};

}  // namespace ydt::sim
