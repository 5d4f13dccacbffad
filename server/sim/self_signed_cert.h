// Makes a throw-away certificate for serving https on the loopback address.
#pragma once

#include <string>

namespace ydt::sim {

// Writes a fresh RSA key and a self-signed certificate for CN 127.0.0.1 (subjectAltName
// IP:127.0.0.1 and DNS:localhost), valid from yesterday for one year, as PEM files.
// Returns false when a step fails; then neither file should be trusted.
bool GenerateSelfSignedCertificate(const std::string& certPath, const std::string& keyPath);

}  // namespace ydt::sim
