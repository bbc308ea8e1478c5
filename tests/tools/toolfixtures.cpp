// The pack defaults and the digests of the mjpgtool tests.
#include "toolfixtures.h"

#include <openssl/evp.h>
#include <stdexcept>

fixture::THeaderLines PackDefaults()
{
    return {.Camera = "",
            .Event = fixture::ZeroTime,
            .Begin = fixture::ZeroTime,
            .End = fixture::ZeroTime,
            .Width = 0,
            .Height = 0,
            .FPS = 25,
            .Frames = 0,
            .Boundary = "mjpgboundary"};
}

std::string Sha256Of(const std::string& bytes)
{
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (EVP_Digest(bytes.data(), bytes.size(), digest, &length, EVP_sha256(), nullptr) != 1)
        throw std::runtime_error("EVP_Digest failed");
    std::string hex;
    static const char digits[] = "0123456789abcdef";
    for (unsigned int i = 0; i < length; ++i) {
        hex += digits[digest[i] >> 4];
        hex += digits[digest[i] & 15];
    }
    return hex;
}
