#include "exportsigning.h"

#include "core/datetime.h"
#include "core/hex.h"

#include <openssl/bio.h>
#include <openssl/cms.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/rsa.h>
#include <openssl/x509.h>
#include <openssl/x509_vfy.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <memory>

const char* const kSignPassphraseVariable = "MJPG_SIGN_PASSPHRASE";

namespace {

template <typename T, void (*Free)(T*)>
struct TFree {
    void operator()(T* p) const { Free(p); }
};
using TBio = std::unique_ptr<BIO, TFree<BIO, BIO_free_all>>;
using TX509 = std::unique_ptr<X509, TFree<X509, X509_free>>;
using TPkey = std::unique_ptr<EVP_PKEY, TFree<EVP_PKEY, EVP_PKEY_free>>;
using TPkeyCtx = std::unique_ptr<EVP_PKEY_CTX, TFree<EVP_PKEY_CTX, EVP_PKEY_CTX_free>>;
using TCms = std::unique_ptr<CMS_ContentInfo, TFree<CMS_ContentInfo, CMS_ContentInfo_free>>;
using TStore = std::unique_ptr<X509_STORE, TFree<X509_STORE, X509_STORE_free>>;
using TStoreCtx = std::unique_ptr<X509_STORE_CTX, TFree<X509_STORE_CTX, X509_STORE_CTX_free>>;

std::string Quoted(const std::string& path)
{
    return "\"" + path + "\"";
}

// The whole file, or ESigningError naming it.
std::string ReadWholeFile(const std::string& path, const char* what)
{
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file)
        throw ESigningReadError(std::string("Не могу прочитать ") + what + " " + Quoted(path) + ". " + std::strerror(errno));
    std::string bytes;
    char buffer[16384];
    size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0)
        bytes.append(buffer, got);
    const bool failed = std::ferror(file);
    std::fclose(file);
    if (failed)
        throw ESigningReadError(std::string("Ошибка чтения ") + Quoted(path));
    return bytes;
}

TBio MemoryBio(const std::string& bytes)
{
    return TBio(BIO_new_mem_buf(bytes.data(), static_cast<int>(bytes.size())));
}

TX509 CertFromDer(const std::string& der)
{
    const auto* p = reinterpret_cast<const unsigned char*>(der.data());
    return TX509(d2i_X509(nullptr, &p, static_cast<long>(der.size())));
}

std::string ToDer(X509* cert)
{
    unsigned char* der = nullptr;
    const int size = i2d_X509(cert, &der);
    if (size <= 0)
        return {};
    std::string bytes(reinterpret_cast<char*>(der), static_cast<size_t>(size));
    OPENSSL_free(der);
    return bytes;
}

std::string AsnTimeText(const ASN1_TIME* time)
{
    std::tm tm{};
    if (!time || ASN1_TIME_to_tm(time, &tm) != 1)
        return "?";
    char text[64];
    std::snprintf(text, sizeof text, "%02d.%02d.%04d %02d:%02d:%02d", tm.tm_mday, tm.tm_mon + 1, tm.tm_year + 1900,
                  tm.tm_hour, tm.tm_min, tm.tm_sec);
    return text;
}

struct TPassword {
    const std::string* Text;
    bool Asked = false;
};

int PasswordCallback(char* buffer, int size, int, void* data)
{
    auto* password = static_cast<TPassword*>(data);
    password->Asked = true;
    const int length = static_cast<int>(std::min<size_t>(password->Text->size(), static_cast<size_t>(size)));
    std::memcpy(buffer, password->Text->data(), static_cast<size_t>(length));
    return length;
}

void ConfigurePss(EVP_PKEY_CTX* context)
{
    if (EVP_PKEY_CTX_set_rsa_padding(context, RSA_PKCS1_PSS_PADDING) <= 0 ||
        EVP_PKEY_CTX_set_signature_md(context, EVP_sha256()) <= 0 ||
        EVP_PKEY_CTX_set_rsa_mgf1_md(context, EVP_sha256()) <= 0 ||
        EVP_PKEY_CTX_set_rsa_pss_saltlen(context, 20) <= 0)
        throw ESigningError("Ошибка настройки подписи RSASSA-PSS");
}

} // namespace

std::shared_ptr<const TSigningKey> TSigningKey::Load(const std::string& keyPath, const std::string& certPath,
                                                     const std::string& passphrase)
{
    const std::string keyText = ReadWholeFile(keyPath, "ключ подписи");
    const std::string certText = ReadWholeFile(certPath, "сертификат");
    std::shared_ptr<TSigningKey> key(new TSigningKey);

    TPassword password{&passphrase};
    {
        TBio bio = MemoryBio(keyText);
        key->FKey = PEM_read_bio_PrivateKey(bio.get(), nullptr, PasswordCallback, &password);
    }
    ERR_clear_error();
    if (!key->FKey) {
        if (password.Asked)
            throw ESigningPassphraseError(passphrase.empty()
                                              ? "Ключ подписи " + Quoted(keyPath) + " защищён паролем; пароль не указан"
                                              : "Неверный пароль ключа подписи " + Quoted(keyPath));
        throw ESigningError("Файл " + Quoted(keyPath) + " не является закрытым ключом в формате PEM");
    }
    {
        TBio bio = MemoryBio(certText);
        key->FCert = PEM_read_bio_X509(bio.get(), nullptr, nullptr, nullptr);
    }
    ERR_clear_error();
    if (!key->FCert)
        throw ESigningError("Файл " + Quoted(certPath) + " не является сертификатом X.509 в формате PEM");
    if (EVP_PKEY_get_base_id(key->FKey) != EVP_PKEY_RSA || EVP_PKEY_get_bits(key->FKey) < 2048)
        throw ESigningError("Ключ подписи " + Quoted(keyPath) + " должен быть ключом RSA не короче 2048 бит (в нём " +
                            std::to_string(EVP_PKEY_get_bits(key->FKey)) + " бит)");
    if (X509_check_private_key(key->FCert, key->FKey) != 1) {
        ERR_clear_error();
        throw ESigningError("Ключ " + Quoted(keyPath) + " не соответствует сертификату " + Quoted(certPath));
    }
    if (X509_cmp_current_time(X509_get0_notAfter(key->FCert)) <= 0)
        throw ESigningError("Срок действия сертификата " + Quoted(certPath) + " истёк " +
                            AsnTimeText(X509_get0_notAfter(key->FCert)) + " UTC");
    if (X509_cmp_current_time(X509_get0_notBefore(key->FCert)) >= 0)
        throw ESigningError("Сертификат " + Quoted(certPath) + " действителен только с " +
                            AsnTimeText(X509_get0_notBefore(key->FCert)) + " UTC");
    key->FCertDer = ToDer(key->FCert);
    return key;
}

TSigningKey::~TSigningKey()
{
    EVP_PKEY_free(FKey);
    X509_free(FCert);
}

size_t TSigningKey::SignatureSize() const
{
    return static_cast<size_t>(EVP_PKEY_get_size(FKey));
}

std::string TSigningKey::SignDigest(const std::string& digest) const
{
    TPkeyCtx context(EVP_PKEY_CTX_new(FKey, nullptr));
    if (!context || EVP_PKEY_sign_init(context.get()) <= 0)
        throw ESigningError("Ошибка подписи");
    ConfigurePss(context.get());
    size_t size = SignatureSize();
    std::string signature(size, '\0');
    if (EVP_PKEY_sign(context.get(), reinterpret_cast<unsigned char*>(signature.data()), &size,
                      reinterpret_cast<const unsigned char*>(digest.data()), digest.size()) <= 0) {
        ERR_clear_error();
        throw ESigningError("Ошибка подписи");
    }
    signature.resize(size);
    return signature;
}

std::string TSigningKey::DetachedCms(const std::string& content) const
{
    TBio data = MemoryBio(content);
    TCms cms(CMS_sign(FCert, FKey, nullptr, data.get(), CMS_DETACHED | CMS_BINARY));
    TBio out(BIO_new(BIO_s_mem()));
    if (!cms || !out || i2d_CMS_bio(out.get(), cms.get()) != 1) {
        ERR_clear_error();
        throw ESigningError("Ошибка подписи CMS");
    }
    char* bytes = nullptr;
    const long size = BIO_get_mem_data(out.get(), &bytes);
    return std::string(bytes, static_cast<size_t>(size));
}

TCertificateInfo DescribeCertificate(const std::string& der)
{
    TCertificateInfo info;
    const TX509 cert = CertFromDer(der);
    if (!cert) {
        ERR_clear_error();
        info.Subject = "(сертификат не читается)";
        return info;
    }
    TBio out(BIO_new(BIO_s_mem()));
    X509_NAME_print_ex(out.get(), X509_get_subject_name(cert.get()), 0, XN_FLAG_RFC2253 & ~ASN1_STRFLGS_ESC_MSB);
    char* text = nullptr;
    const long size = BIO_get_mem_data(out.get(), &text);
    info.Subject.assign(text, static_cast<size_t>(size));
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    X509_digest(cert.get(), EVP_sha256(), digest, &length);
    for (unsigned int i = 0; i < length; ++i) {
        if (i)
            info.Fingerprint += ':';
        AppendHex(info.Fingerprint, digest[i], THexCase::Upper);
    }
    info.Validity = "с " + AsnTimeText(X509_get0_notBefore(cert.get())) + " по " +
                    AsnTimeText(X509_get0_notAfter(cert.get())) + " UTC";
    info.Expired = X509_cmp_current_time(X509_get0_notAfter(cert.get())) <= 0;
    return info;
}

bool VerifyDigestSignature(const std::string& certDer, const std::string& digest, const std::string& signature)
{
    const TX509 cert = CertFromDer(certDer);
    EVP_PKEY* key = cert ? X509_get0_pubkey(cert.get()) : nullptr;
    bool ok = false;
    if (key && EVP_PKEY_get_base_id(key) == EVP_PKEY_RSA) {
        TPkeyCtx context(EVP_PKEY_CTX_new(key, nullptr));
        if (context && EVP_PKEY_verify_init(context.get()) > 0) {
            ConfigurePss(context.get());
            ok = EVP_PKEY_verify(context.get(), reinterpret_cast<const unsigned char*>(signature.data()),
                                 signature.size(), reinterpret_cast<const unsigned char*>(digest.data()),
                                 digest.size()) == 1;
        }
    }
    ERR_clear_error();
    return ok;
}

TCmsCheck CheckDetachedCms(const std::string& cmsBytes, const std::string& content)
{
    TCmsCheck check;
    TBio in = MemoryBio(cmsBytes);
    TCms cms(d2i_CMS_bio(in.get(), nullptr));
    if (!cms) {
        ERR_clear_error();
        return check;
    }
    check.Readable = true;
    TBio data = MemoryBio(content);
    check.Matches = CMS_verify(cms.get(), nullptr, nullptr, data.get(), nullptr,
                               CMS_BINARY | CMS_NO_SIGNER_CERT_VERIFY) == 1;
    // The signers are known once the check has looked for their certificates.
    if (STACK_OF(X509)* signers = CMS_get0_signers(cms.get())) {
        if (sk_X509_num(signers) > 0)
            check.SignerDer = ToDer(sk_X509_value(signers, 0));
        sk_X509_free(signers);
    }
    ERR_clear_error();
    return check;
}

bool CertificateTrusted(const std::string& certDer, const std::string& caFile, std::string& reason)
{
    TStore store(X509_STORE_new());
    if (!store)
        throw ESigningError("Недостаточно памяти");
    if (!caFile.empty()) {
        ReadWholeFile(caFile, "файл удостоверяющих центров"); // its own message when unreadable
        if (X509_STORE_load_file(store.get(), caFile.c_str()) != 1) {
            ERR_clear_error();
            throw ESigningError("Файл " + Quoted(caFile) + " не содержит сертификатов в формате PEM");
        }
    } else {
        X509_STORE_set_default_paths(store.get());
    }
    const TX509 cert = CertFromDer(certDer);
    TStoreCtx context(X509_STORE_CTX_new());
    if (!cert || !context || X509_STORE_CTX_init(context.get(), store.get(), cert.get(), nullptr) != 1) {
        ERR_clear_error();
        reason = "сертификат не читается";
        return false;
    }
    // A signature made while the certificate was valid stays good after it
    // expires: the dates are shown beside the result instead.
    X509_STORE_CTX_set_flags(context.get(), X509_V_FLAG_NO_CHECK_TIME);
    const bool trusted = X509_verify_cert(context.get()) == 1;
    if (!trusted)
        reason = X509_verify_cert_error_string(X509_STORE_CTX_get_error(context.get()));
    ERR_clear_error();
    return trusted;
}
