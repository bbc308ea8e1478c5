// SHA-256 digests through OpenSSL's libcrypto, written as 64 lower-case hex
// digits (as sha256sum writes them).
#pragma once

#include <cstddef>
#include <string>

struct evp_md_ctx_st;

// A digest computed piece by piece. Raises EError when libcrypto fails.
class TSha256 {
public:
    TSha256();
    ~TSha256();
    TSha256(const TSha256&) = delete;
    TSha256& operator=(const TSha256&) = delete;

    void Add(const void* data, size_t size);
    // The 32 bytes of the digest of everything added; ends the digest.
    std::string Digest();
    // The digest as hex digits; ends the digest.
    std::string HexDigest();

private:
    evp_md_ctx_st* FContext;
};

// The digest of the bytes as hex digits.
std::string Sha256Hex(const void* data, size_t size);
inline std::string Sha256Hex(const std::string& bytes)
{
    return Sha256Hex(bytes.data(), bytes.size());
}

// The digest of a file's bytes as hex digits. Raises EFOpenError or
// EInOutError naming the file.
std::string Sha256HexOfFile(const std::string& path);
