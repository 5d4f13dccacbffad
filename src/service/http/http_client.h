// Synchronous HTTP exchanges on libcurl with one process-wide cookie store. Re-entrant:
// every call has its own handle; only the cookie store is shared.
#pragma once

#include <cstdint>

#include "service/http/http_request.h"
#include "service/http/http_response.h"

namespace ydt {

// Starts loading libcurl and setting up the shared cookie store on a thread of its own.
// The first exchange waits for that set-up, or does it itself when this was never called;
// the set-up runs once whichever thread gets there first.
void InitHttpTransport();

// The backend transport. Never reports the HTTP status; an error page is a body like any
// other. Certificate problems are accepted.
HttpResponse HttpSend(const HttpRequest& request);

// The checked variant used by the update check: honours timeoutSeconds, proxy
// credentials, and reports the status code and text.
HttpResponse HttpSendWinHttp(const HttpRequest& request);

namespace http_testing {
// Tests shrink the body cap and the silence limit so the guards run in milliseconds.
void SetTransferLimits(std::int64_t maxBodyBytes, long stallSeconds);
void ResetTransferLimits();
}  // namespace http_testing

}  // namespace ydt
