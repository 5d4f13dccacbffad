// Synchronous HTTP exchanges on libcurl with one process-wide cookie store. Re-entrant:
// every call has its own handle; only the cookie store is shared.
#pragma once

#include <cstdint>

#include "service/http/http_request.h"
#include "service/http/http_response.h"

namespace ydt {

// Sets up libcurl and the shared cookie store. Called implicitly by the first exchange;
// call it from main before starting threads to be safe with older libcurl builds.
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
