// A throwaway certificate authority for the tests of the archive over TLS:
// its own certificate, and server certificates it signs for the names and
// the validity period a test asks for, all as PEM files in a folder.
#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

struct TServerCertificate {
    std::filesystem::path Cert; // PEM
    std::filesystem::path Key;  // PEM, unencrypted
};

class TTestAuthority {
public:
    // A new key and a self-signed authority certificate named `name`, written
    // to `folder`/`stem`.crt. Raises std::runtime_error when OpenSSL fails.
    TTestAuthority(const std::filesystem::path& folder, const std::string& stem, const std::string& name);
    ~TTestAuthority();
    TTestAuthority(const TTestAuthority&) = delete;
    TTestAuthority& operator=(const TTestAuthority&) = delete;

    const std::filesystem::path& CertFile() const { return FCertFile; }

    // A server certificate signed by this authority, for `names` (an IP
    // address or a DNS name each, in subjectAltName), valid from `fromDays`
    // to `toDays` days from now (negative: in the past), written to
    // `folder`/`stem`.crt and .key.
    TServerCertificate Issue(const std::string& stem, const std::vector<std::string>& names, int fromDays = -1,
                             int toDays = 30) const;

    // The folder's argument list for the archive server.
    static std::vector<std::string> ServerOptions(const TServerCertificate& certificate);

private:
    struct TImpl;
    std::unique_ptr<TImpl> FImpl;
    std::filesystem::path FFolder;
    std::filesystem::path FCertFile;
};
