// SHA-256 with OpenSSL's one-shot EVP digest.
#include "sha256.h"

#include "core/errors.h"

#include <openssl/evp.h>

std::string Sha256Hex(const uint8_t* data, size_t size)
{
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    static const uint8_t none = 0; // libcrypto wants a pointer even for no bytes
    if (EVP_Digest(data ? data : &none, size, digest, &length, EVP_sha256(), nullptr) != 1)
        throw EError("Ошибка вычисления SHA-256");
    static const char hex[] = "0123456789abcdef";
    std::string text;
    text.reserve(2 * length);
    for (unsigned int i = 0; i < length; ++i) {
        text += hex[digest[i] >> 4];
        text += hex[digest[i] & 0x0F];
    }
    return text;
}
