#include "sha256.h"

#include "errors.h"
#include "hex.h"
#include "streams.h"

#include <openssl/evp.h>

#include <vector>

namespace {

[[noreturn]] void Fail()
{
    throw EError("Ошибка вычисления SHA-256");
}

} // namespace

TSha256::TSha256() : FContext(EVP_MD_CTX_new())
{
    if (!FContext || EVP_DigestInit_ex(FContext, EVP_sha256(), nullptr) != 1) {
        EVP_MD_CTX_free(FContext);
        Fail();
    }
}

TSha256::~TSha256()
{
    EVP_MD_CTX_free(FContext);
}

void TSha256::Add(const void* data, size_t size)
{
    if (size && EVP_DigestUpdate(FContext, data, size) != 1)
        Fail();
}

std::string TSha256::Digest()
{
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (EVP_DigestFinal_ex(FContext, digest, &length) != 1)
        Fail();
    return {reinterpret_cast<const char*>(digest), length};
}

std::string TSha256::HexDigest()
{
    const std::string digest = Digest();
    return HexText(digest.data(), digest.size());
}

std::string Sha256Hex(const void* data, size_t size)
{
    TSha256 sha;
    sha.Add(data, size);
    return sha.HexDigest();
}

std::string Sha256HexOfFile(const std::string& path)
{
    TFileStream file(path, TFileMode::fmOpenRead);
    TSha256 sha;
    std::vector<uint8_t> buffer(1 << 20);
    for (;;) {
        const int64_t got = file.Read(buffer.data(), static_cast<int64_t>(buffer.size()));
        if (got <= 0)
            break;
        sha.Add(buffer.data(), static_cast<size_t>(got));
    }
    return sha.HexDigest();
}
