// Signing exports with an RSA key and its X.509 certificate (OpenSSL's
// libcrypto): RSASSA-PSS signatures of a SHA-256 digest for the MP4 seal,
// detached CMS signatures of a manifest, and what a check of either needs
// to know about a certificate.
#pragma once

#include "core/errors.h"

#include <cstdint>
#include <memory>
#include <string>

// A key or certificate that cannot sign (unreadable, not RSA of at least
// 2048 bits, not matching, expired): nothing was written.
class ESigningError : public EError {
public:
    using EError::EError;
};

// A key, certificate or CA file that cannot be read.
class ESigningReadError : public ESigningError {
public:
    using ESigningError::ESigningError;
};

// The key is protected by a passphrase and none (or a wrong one) was given.
class ESigningPassphraseError : public ESigningError {
public:
    using ESigningError::ESigningError;
};

// The environment variable a passphrase of the signing key is taken from.
extern const char* const kSignPassphraseVariable; // "MJPG_SIGN_PASSPHRASE"

class TSigningKey {
public:
    // Reads the PEM key (decrypted with the passphrase when it is protected)
    // and the PEM certificate and checks that they belong together, that
    // the key is RSA of at least 2048 bits and that the certificate is valid
    // now. Raises ESigningError (ESigningPassphraseError) with the reason.
    static std::shared_ptr<const TSigningKey> Load(const std::string& keyPath, const std::string& certPath,
                                                   const std::string& passphrase);
    ~TSigningKey();
    TSigningKey(const TSigningKey&) = delete;
    TSigningKey& operator=(const TSigningKey&) = delete;

    // The certificate in DER.
    const std::string& CertificateDer() const { return FCertDer; }
    // The size of a signature in bytes (the modulus' size).
    size_t SignatureSize() const;
    // RSASSA-PSS with SHA-256, MGF1 with SHA-256 and a 20-byte salt of a
    // SHA-256 digest (32 bytes); exactly SignatureSize() bytes.
    std::string SignDigest(const std::string& digest) const;
    // A detached CMS signature (DER) of the bytes.
    std::string DetachedCms(const std::string& content) const;

private:
    TSigningKey() = default;
    struct evp_pkey_st* FKey = nullptr;
    struct x509_st* FCert = nullptr;
    std::string FCertDer;
};

// What a check tells about the certificate that made a signature.
struct TCertificateInfo {
    std::string Subject;     // RFC 2253, UTF-8
    std::string Fingerprint; // SHA-256 of the DER, "AB:CD:..."
    std::string Validity;    // "с 11.12.2026 03:00:00 по 11.12.2027 03:00:00 UTC"
    bool Expired = false;
};
TCertificateInfo DescribeCertificate(const std::string& der);

// Whether the RSASSA-PSS signature of the digest verifies with the
// certificate's key; false for anything that does not hold together.
bool VerifyDigestSignature(const std::string& certDer, const std::string& digest, const std::string& signature);

// A detached CMS signature of the content: whether it matches, and the
// signer's certificate (DER) when it names one.
struct TCmsCheck {
    bool Readable = false;
    bool Matches = false;
    std::string SignerDer;
};
TCmsCheck CheckDetachedCms(const std::string& cms, const std::string& content);

// Whether a chain from the certificate to an authority of the CA file (or,
// without one, of the system's store) holds; `reason` tells why not.
// Raises ESigningError when the CA file cannot be read.
bool CertificateTrusted(const std::string& certDer, const std::string& caFile, std::string& reason);
