#include "base64.h"

#include <openssl/evp.h>

std::string Base64Encode(const std::string& bytes)
{
    // Four characters for every three bytes, rounded up, and the NUL that
    // EVP_EncodeBlock always writes.
    std::string out(4 * ((bytes.size() + 2) / 3) + 1, '\0');
    const int n = EVP_EncodeBlock(reinterpret_cast<unsigned char*>(out.data()),
                                  reinterpret_cast<const unsigned char*>(bytes.data()), static_cast<int>(bytes.size()));
    out.resize(static_cast<size_t>(n));
    return out;
}
