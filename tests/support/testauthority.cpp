#include "testauthority.h"

#include <openssl/bn.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include <cstdio>
#include <stdexcept>

namespace {

void Check(bool ok, const char* what)
{
    if (!ok)
        throw std::runtime_error(std::string("OpenSSL: ") + what);
}

EVP_PKEY* NewKey()
{
    EVP_PKEY* key = EVP_PKEY_Q_keygen(nullptr, nullptr, "EC", "P-256");
    Check(key != nullptr, "EC key");
    return key;
}

void AddExtension(X509* cert, X509* issuer, int nid, const std::string& value)
{
    X509V3_CTX context;
    X509V3_set_ctx_nodb(&context);
    X509V3_set_ctx(&context, issuer, cert, nullptr, nullptr, 0);
    X509_EXTENSION* extension = X509V3_EXT_conf_nid(nullptr, &context, nid, value.c_str());
    Check(extension != nullptr, "extension");
    X509_add_ext(cert, extension, -1);
    X509_EXTENSION_free(extension);
}

// A certificate for `key` named `name`, not yet signed; a random serial.
X509* NewCertificate(EVP_PKEY* key, const std::string& name, int fromDays, int toDays)
{
    X509* cert = X509_new();
    Check(cert != nullptr, "X509_new");
    X509_set_version(cert, 2);
    BIGNUM* serial = BN_new();
    Check(serial && BN_rand(serial, 63, BN_RAND_TOP_ANY, BN_RAND_BOTTOM_ANY) == 1 &&
              BN_to_ASN1_INTEGER(serial, X509_get_serialNumber(cert)) != nullptr,
          "serial");
    BN_free(serial);
    X509_gmtime_adj(X509_getm_notBefore(cert), static_cast<long>(fromDays) * 86400);
    X509_gmtime_adj(X509_getm_notAfter(cert), static_cast<long>(toDays) * 86400);
    X509_set_pubkey(cert, key);
    X509_NAME_add_entry_by_txt(X509_get_subject_name(cert), "CN", MBSTRING_UTF8,
                               reinterpret_cast<const unsigned char*>(name.c_str()), -1, -1, 0);
    return cert;
}

template <class F>
void WritePem(const std::filesystem::path& path, F&& write)
{
    FILE* file = std::fopen(path.c_str(), "wb");
    Check(file != nullptr, "cannot create a PEM file");
    const bool ok = write(file);
    std::fclose(file);
    Check(ok, "cannot write a PEM file");
}

} // namespace

struct TTestAuthority::TImpl {
    EVP_PKEY* Key = nullptr;
    X509* Cert = nullptr;
    ~TImpl()
    {
        X509_free(Cert);
        EVP_PKEY_free(Key);
    }
};

TTestAuthority::TTestAuthority(const std::filesystem::path& folder, const std::string& stem, const std::string& name)
    : FImpl(std::make_unique<TImpl>()), FFolder(folder), FCertFile(folder / (stem + ".crt"))
{
    FImpl->Key = NewKey();
    X509* cert = FImpl->Cert = NewCertificate(FImpl->Key, name, -1, 3650);
    X509_set_issuer_name(cert, X509_get_subject_name(cert));
    AddExtension(cert, cert, NID_basic_constraints, "critical,CA:TRUE");
    AddExtension(cert, cert, NID_key_usage, "critical,keyCertSign,cRLSign");
    AddExtension(cert, cert, NID_subject_key_identifier, "hash");
    Check(X509_sign(cert, FImpl->Key, EVP_sha256()) > 0, "signing the authority");
    WritePem(FCertFile, [&](FILE* f) { return PEM_write_X509(f, cert) == 1; });
}

TTestAuthority::~TTestAuthority() = default;

TServerCertificate TTestAuthority::Issue(const std::string& stem, const std::vector<std::string>& names, int fromDays,
                                         int toDays) const
{
    EVP_PKEY* key = NewKey();
    X509* cert = NewCertificate(key, names.empty() ? stem : names.front(), fromDays, toDays);
    X509_set_issuer_name(cert, X509_get_subject_name(FImpl->Cert));
    std::string alternatives;
    for (const std::string& name : names) {
        const bool address = name.find_first_not_of("0123456789.:") == std::string::npos;
        alternatives += (alternatives.empty() ? "" : ",") + std::string(address ? "IP:" : "DNS:") + name;
    }
    AddExtension(cert, FImpl->Cert, NID_basic_constraints, "CA:FALSE");
    AddExtension(cert, FImpl->Cert, NID_key_usage, "critical,digitalSignature");
    AddExtension(cert, FImpl->Cert, NID_ext_key_usage, "serverAuth");
    AddExtension(cert, FImpl->Cert, NID_authority_key_identifier, "keyid");
    if (!alternatives.empty())
        AddExtension(cert, FImpl->Cert, NID_subject_alt_name, alternatives);
    const bool signedOk = X509_sign(cert, FImpl->Key, EVP_sha256()) > 0;
    TServerCertificate files{FFolder / (stem + ".crt"), FFolder / (stem + ".key")};
    if (signedOk) {
        WritePem(files.Cert, [&](FILE* f) { return PEM_write_X509(f, cert) == 1; });
        WritePem(files.Key,
                 [&](FILE* f) { return PEM_write_PrivateKey(f, key, nullptr, nullptr, 0, nullptr, nullptr) == 1; });
    }
    X509_free(cert);
    EVP_PKEY_free(key);
    Check(signedOk, "signing a server certificate");
    return files;
}

std::vector<std::string> TTestAuthority::ServerOptions(const TServerCertificate& certificate)
{
    return {"--tls-cert", certificate.Cert.string(), "--tls-key", certificate.Key.string()};
}
