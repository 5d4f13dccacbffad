#include "self_signed_cert.h"

#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/rsa.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include <cstdio>
#include <ctime>
#include <memory>

namespace ydt::sim {
namespace {

struct FileCloser {
  void operator()(FILE* f) const {
    if (f) std::fclose(f);
  }
};

bool AddExtension(X509* cert, int nid, const char* value) {
  X509V3_CTX ctx;
  X509V3_set_ctx_nodb(&ctx);
  X509V3_set_ctx(&ctx, cert, cert, nullptr, nullptr, 0);
  X509_EXTENSION* ext = X509V3_EXT_conf_nid(nullptr, &ctx, nid, value);
  if (!ext) return false;
  const bool ok = X509_add_ext(cert, ext, -1) == 1;
  X509_EXTENSION_free(ext);
  return ok;
}

}  // namespace

bool GenerateSelfSignedCertificate(const std::string& certPath, const std::string& keyPath) {
  std::unique_ptr<EVP_PKEY_CTX, decltype(&EVP_PKEY_CTX_free)> keyCtx(
      EVP_PKEY_CTX_new_id(EVP_PKEY_RSA, nullptr), EVP_PKEY_CTX_free);
  if (!keyCtx || EVP_PKEY_keygen_init(keyCtx.get()) <= 0 ||
      EVP_PKEY_CTX_set_rsa_keygen_bits(keyCtx.get(), 2048) <= 0) {
    return false;
  }
  EVP_PKEY* rawKey = nullptr;
  if (EVP_PKEY_keygen(keyCtx.get(), &rawKey) <= 0) return false;
  std::unique_ptr<EVP_PKEY, decltype(&EVP_PKEY_free)> key(rawKey, EVP_PKEY_free);

  std::unique_ptr<X509, decltype(&X509_free)> cert(X509_new(), X509_free);
  if (!cert) return false;
  X509_set_version(cert.get(), 2);
  ASN1_INTEGER_set(X509_get_serialNumber(cert.get()), static_cast<long>(std::time(nullptr)));
  X509_gmtime_adj(X509_getm_notBefore(cert.get()), -24L * 3600);
  X509_gmtime_adj(X509_getm_notAfter(cert.get()), 365L * 24 * 3600);
  X509_set_pubkey(cert.get(), key.get());
  X509_NAME* name = X509_get_subject_name(cert.get());
  X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC,
                             reinterpret_cast<const unsigned char*>("127.0.0.1"), -1, -1, 0);
  X509_set_issuer_name(cert.get(), name);
  if (!AddExtension(cert.get(), NID_subject_alt_name, "IP:127.0.0.1,DNS:localhost") ||
      !AddExtension(cert.get(), NID_basic_constraints, "critical,CA:FALSE")) {
    return false;
  }
  if (X509_sign(cert.get(), key.get(), EVP_sha256()) <= 0) return false;

  std::unique_ptr<FILE, FileCloser> keyFile(std::fopen(keyPath.c_str(), "wb"));
  if (!keyFile ||
      PEM_write_PrivateKey(keyFile.get(), key.get(), nullptr, nullptr, 0, nullptr, nullptr) != 1) {
    return false;
  }
  std::unique_ptr<FILE, FileCloser> certFile(std::fopen(certPath.c_str(), "wb"));
  if (!certFile || PEM_write_X509(certFile.get(), cert.get()) != 1) return false;
  return std::fflush(keyFile.get()) == 0 && std::fflush(certFile.get()) == 0;
}

}  // namespace ydt::sim
