// Writes the version block the build embeds into an executable (see
// versioninfo.cpp for its layout).
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

struct TVersionResource {
    uint16_t Language = 0x0419; // Russian
    uint16_t CodePage = 1251;
    std::vector<std::pair<std::string, std::string>> Strings; // name, value (code page 1251)
};

// The block's bytes.
std::vector<uint8_t> BuildVersionBlock(const TVersionResource& resource);
