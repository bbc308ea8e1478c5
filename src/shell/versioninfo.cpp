// Reading the embedded version block back from the executable file.
//
// Block layout (little endian): "MJPGVERS" magic, uint32 total size, then
// entries until the end: uint16 key length, key bytes, uint32 value length,
// value bytes.
#include "versioninfo.h"

#include <cstdio>
#include <cstring>
#include <elf.h>
#include <fstream>
#include <vector>

namespace {

constexpr char kMagic[8] = {'M', 'J', 'P', 'G', 'V', 'E', 'R', 'S'};
constexpr const char* kSectionName = ".mjpgversion";

uint32_t ReadU32(const uint8_t* p)
{
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

// The bytes of the named section of a 64-bit ELF file, empty when absent.
std::vector<uint8_t> ReadSection(const std::string& path, const char* name)
{
    std::ifstream file(path, std::ios::binary);
    if (!file)
        return {};
    Elf64_Ehdr eh{};
    if (!file.read(reinterpret_cast<char*>(&eh), sizeof eh) || std::memcmp(eh.e_ident, ELFMAG, SELFMAG) != 0 ||
        eh.e_ident[EI_CLASS] != ELFCLASS64 || eh.e_shentsize != sizeof(Elf64_Shdr) || eh.e_shnum == 0 ||
        eh.e_shstrndx >= eh.e_shnum)
        return {};
    std::vector<Elf64_Shdr> sections(eh.e_shnum);
    file.seekg(static_cast<std::streamoff>(eh.e_shoff));
    if (!file.read(reinterpret_cast<char*>(sections.data()),
                   static_cast<std::streamsize>(sections.size() * sizeof(Elf64_Shdr))))
        return {};
    const Elf64_Shdr& names = sections[eh.e_shstrndx];
    if (names.sh_size > (1u << 24))
        return {};
    std::vector<char> strtab(names.sh_size + 1, 0);
    file.seekg(static_cast<std::streamoff>(names.sh_offset));
    if (!file.read(strtab.data(), static_cast<std::streamsize>(names.sh_size)))
        return {};
    for (const Elf64_Shdr& s : sections) {
        if (s.sh_name >= names.sh_size || std::strcmp(strtab.data() + s.sh_name, name) != 0)
            continue;
        if (s.sh_type == SHT_NOBITS || s.sh_size > (1u << 20))
            return {};
        std::vector<uint8_t> bytes(s.sh_size);
        file.seekg(static_cast<std::streamoff>(s.sh_offset));
        if (!file.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size())))
            return {};
        return bytes;
    }
    return {};
}

// The version block inside the section: checked magic and size.
std::vector<uint8_t> ReadBlock(const std::string& path)
{
    std::vector<uint8_t> section = ReadSection(path, kSectionName);
    if (section.size() < 12 || std::memcmp(section.data(), kMagic, 8) != 0)
        return {};
    const uint32_t size = ReadU32(section.data() + 8);
    if (size < 12 || size > section.size())
        return {};
    section.resize(size);
    return section;
}

} // namespace

uint32_t GetFileVersionInfoSizeA(const std::string& path)
{
    return static_cast<uint32_t>(ReadBlock(path).size());
}

bool GetFileVersionInfoA(const std::string& path, uint32_t size, void* data)
{
    const std::vector<uint8_t> block = ReadBlock(path);
    if (block.empty() || !data || size < block.size())
        return false;
    std::memcpy(data, block.data(), block.size());
    return true;
}

bool VerQueryValueA(const void* block, const std::string& key, const void** value, uint32_t* length)
{
    if (!block || !value || !length)
        return false;
    const auto* p = static_cast<const uint8_t*>(block);
    if (std::memcmp(p, kMagic, 8) != 0)
        return false;
    const uint32_t size = ReadU32(p + 8);
    uint32_t at = 12;
    while (at + 2 <= size) {
        const uint32_t keyLength = uint32_t(p[at]) | uint32_t(p[at + 1]) << 8;
        at += 2;
        if (at + keyLength + 4 > size)
            return false;
        const std::string entryKey(reinterpret_cast<const char*>(p + at), keyLength);
        at += keyLength;
        const uint32_t valueLength = ReadU32(p + at);
        at += 4;
        if (at + valueLength > size)
            return false;
        if (entryKey == key) {
            *value = p + at;
            *length = valueLength;
            return true;
        }
        at += valueLength;
    }
    return false;
}

std::string ReadFileVersionText(const std::string& executablePath)
{
    const uint32_t size = GetFileVersionInfoSizeA(executablePath);
    if (size == 0)
        return {};
    std::vector<uint8_t> block(size);
    if (!GetFileVersionInfoA(executablePath, size, block.data()))
        return {};
    const void* translation = nullptr;
    uint32_t length = 0;
    if (!VerQueryValueA(block.data(), "\\VarFileInfo\\Translation", &translation, &length) || length < 4)
        return {};
    const auto* t = static_cast<const uint8_t*>(translation);
    const unsigned language = t[0] | t[1] << 8;
    const unsigned codePage = t[2] | t[3] << 8;
    char key[64];
    std::snprintf(key, sizeof key, "\\StringFileInfo\\%04x%04x\\FileVersion", language, codePage);
    const void* text = nullptr;
    if (!VerQueryValueA(block.data(), key, &text, &length) || length == 0)
        return {};
    return std::string(static_cast<const char*>(text), strnlen(static_cast<const char*>(text), length));
}
