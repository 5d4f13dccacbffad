// Routing for a server that answers every path itself, whatever the method.
#pragma once

#include <httplib.h>

namespace ydt::front {

// GET, POST, PUT, PATCH and DELETE on any path go to `handle`, with the whole body read
// first. Bodies go through a content reader: httplib's own reading refuses form bodies over
// 8 KiB, and a batch of machine IDs is far longer.
void RouteEverything(httplib::Server& server, httplib::Server::Handler handle);

}  // namespace ydt::front
