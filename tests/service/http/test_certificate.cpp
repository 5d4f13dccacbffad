#include "test_certificate.h"

#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/rsa.h>
#include <openssl/x509.h>
#include <stdio.h>
#include <stdlib.h>

namespace ydt::testing {

TestCertificate MakeSelfSignedCertificate() {
  char folder[] = "/tmp/ydt-cert-XXXXXX";
  if (mkdtemp(folder) == nullptr) return {};
  TestCertificate out{std::string(folder) + "/cert.pem", std::string(folder) + "/key.pem"};

  EVP_PKEY* key = EVP_RSA_gen(2048);
  X509* cert = X509_new();
  bool ok = key != nullptr && cert != nullptr;
  if (ok) {
    X509_set_version(cert, 2);
    ASN1_INTEGER_set(X509_get_serialNumber(cert), 1);
    X509_gmtime_adj(X509_getm_notBefore(cert), -3600);
    X509_gmtime_adj(X509_getm_notAfter(cert), 24 * 3600);
    X509_set_pubkey(cert, key);
    X509_NAME* name = X509_get_subject_name(cert);
    X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC,
                               reinterpret_cast<const unsigned char*>("127.0.0.1"), -1, -1, 0);
    X509_set_issuer_name(cert, name);
    ok = X509_sign(cert, key, EVP_sha256()) > 0;
  }
  if (ok) {
    FILE* certFile = fopen(out.certPath.c_str(), "wb");
    FILE* keyFile = fopen(out.keyPath.c_str(), "wb");
    ok = certFile != nullptr && keyFile != nullptr && PEM_write_X509(certFile, cert) == 1 &&
         PEM_write_PrivateKey(keyFile, key, nullptr, nullptr, 0, nullptr, nullptr) == 1;
    if (certFile != nullptr) fclose(certFile);
    if (keyFile != nullptr) fclose(keyFile);
  }
  X509_free(cert);
  EVP_PKEY_free(key);
  return ok ? out : TestCertificate{};
}

}  // namespace ydt::testing
