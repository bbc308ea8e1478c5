// SHA-256 digests through OpenSSL's libcrypto.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// The digest of the bytes as 64 lower-case hex digits. Raises EError when
// libcrypto fails.
std::string Sha256Hex(const uint8_t* data, size_t size);
