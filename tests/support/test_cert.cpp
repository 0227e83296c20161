#include "tests/support/test_cert.h"

#include <openssl/pem.h>
#include <openssl/x509v3.h>

#include <cstdio>
#include <ctime>

namespace grimbo_test {

namespace {

bool add_extension(X509* cert, int nid, const char* value)
{
    X509V3_CTX context;
    X509V3_set_ctx_nodb(&context);
    X509V3_set_ctx(&context, cert, cert, nullptr, nullptr, 0);
    X509_EXTENSION* extension = X509V3_EXT_conf_nid(nullptr, &context, nid, value);
    if (extension == nullptr)
        return false;
    const bool added = X509_add_ext(cert, extension, -1) == 1;
    X509_EXTENSION_free(extension);
    return added;
}

}  // namespace

TestCert make_test_cert()
{
    TestCert made;
    made.key.reset(EVP_EC_gen("P-256"));
    made.cert.reset(X509_new());
    X509* cert = made.cert.get();
    if (!made.key || cert == nullptr)
        return {};
    X509_NAME* name = X509_get_subject_name(cert);
    const bool ok =
        X509_set_version(cert, 2) == 1 &&
        ASN1_INTEGER_set(X509_get_serialNumber(cert), static_cast<long>(std::time(nullptr))) == 1 &&
        X509_gmtime_adj(X509_getm_notBefore(cert), -3600) != nullptr &&
        X509_gmtime_adj(X509_getm_notAfter(cert), 86400) != nullptr &&
        X509_set_pubkey(cert, made.key.get()) == 1 &&
        X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC,
                                   reinterpret_cast<const unsigned char*>("127.0.0.1"), -1, -1,
                                   0) == 1 &&
        X509_set_issuer_name(cert, name) == 1 &&
        add_extension(cert, NID_basic_constraints, "critical,CA:TRUE") &&
        add_extension(cert, NID_subject_alt_name, "IP:127.0.0.1,DNS:localhost") &&
        X509_sign(cert, made.key.get(), EVP_sha256()) > 0;
    if (!ok)
        return {};
    return made;
}

bool write_cert_pem(const TestCert& made, const std::string& path)
{
    if (!made.cert)
        return false;
    FILE* file = std::fopen(path.c_str(), "w");
    if (file == nullptr)
        return false;
    const bool written = PEM_write_X509(file, made.cert.get()) == 1;
    return std::fclose(file) == 0 && written;
}

}  // namespace grimbo_test
