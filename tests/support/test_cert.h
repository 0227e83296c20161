// A self-signed certificate for 127.0.0.1 and localhost, made at test time,
// that a TLS client trusts when pointed at its PEM file.
#ifndef TESTS_SUPPORT_TEST_CERT_H
#define TESTS_SUPPORT_TEST_CERT_H

#include <openssl/evp.h>
#include <openssl/x509.h>

#include <memory>
#include <string>

namespace grimbo_test {

struct PkeyFree {
    void operator()(EVP_PKEY* key) const { EVP_PKEY_free(key); }
};
struct X509Free {
    void operator()(X509* cert) const { X509_free(cert); }
};

struct TestCert {
    std::unique_ptr<EVP_PKEY, PkeyFree> key;
    std::unique_ptr<X509, X509Free> cert;
};

// A fresh P-256 key and its certificate, valid from an hour ago for a day;
// both null when OpenSSL refuses.
TestCert make_test_cert();

// Writes the certificate as PEM to `path`; false on failure.
bool write_cert_pem(const TestCert& made, const std::string& path);

}  // namespace grimbo_test

#endif
