// Serialising the version block.
#include "versionresource.h"

#include <cstdio>

namespace {

void PutU16(std::vector<uint8_t>& out, uint32_t v)
{
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}

void PutU32(std::vector<uint8_t>& out, uint32_t v)
{
    PutU16(out, v & 0xFFFF);
    PutU16(out, v >> 16);
}

void PutEntry(std::vector<uint8_t>& out, const std::string& key, const std::string& value)
{
    PutU16(out, static_cast<uint32_t>(key.size()));
    out.insert(out.end(), key.begin(), key.end());
    PutU32(out, static_cast<uint32_t>(value.size()));
    out.insert(out.end(), value.begin(), value.end());
}

} // namespace

std::vector<uint8_t> BuildVersionBlock(const TVersionResource& resource)
{
    std::vector<uint8_t> out = {'M', 'J', 'P', 'G', 'V', 'E', 'R', 'S', 0, 0, 0, 0};
    std::string translation;
    translation += static_cast<char>(resource.Language & 0xFF);
    translation += static_cast<char>(resource.Language >> 8);
    translation += static_cast<char>(resource.CodePage & 0xFF);
    translation += static_cast<char>(resource.CodePage >> 8);
    PutEntry(out, "\\VarFileInfo\\Translation", translation);
    char prefix[40];
    std::snprintf(prefix, sizeof prefix, "\\StringFileInfo\\%04x%04x\\", resource.Language, resource.CodePage);
    for (const auto& [name, value] : resource.Strings)
        PutEntry(out, prefix + name, value + std::string(1, '\0'));
    const uint32_t size = static_cast<uint32_t>(out.size());
    for (int i = 0; i < 4; ++i)
        out[8 + i] = static_cast<uint8_t>(size >> (8 * i));
    return out;
}
