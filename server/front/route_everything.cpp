#include "route_everything.h"

#include <utility>

namespace ydt::front {

void RouteEverything(httplib::Server& server, httplib::Server::Handler handle) {
  const char* pattern = R"(/.*)";
  server.Get(pattern, handle);
  auto withBody = [handle](const httplib::Request& req, httplib::Response& res,
                           const httplib::ContentReader& reader) {
    httplib::Request copy = req;
    reader([&copy](const char* data, size_t length) {
      copy.body.append(data, length);
      return true;
    });
    handle(copy, res);
  };
  server.Post(pattern, withBody);
  server.Put(pattern, withBody);
  server.Patch(pattern, withBody);
  server.Delete(pattern, std::move(withBody));
}

}  // namespace ydt::front
