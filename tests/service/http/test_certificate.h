// A throw-away self-signed certificate for 127.0.0.1, written as PEM files for a test
// TLS server.
#pragma once

#include <string>

namespace ydt::testing {

struct TestCertificate {
  std::string certPath;
  std::string keyPath;
};

// Creates the files in a fresh temporary folder; empty paths when OpenSSL fails.
TestCertificate MakeSelfSignedCertificate();

}  // namespace ydt::testing
