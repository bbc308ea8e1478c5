// Base64 (RFC 4648, with padding) of a byte string, as basic authentication
// and mail headers write it.
#pragma once

#include <string>

std::string Base64Encode(const std::string& bytes);
