#include "isobmff.h"

#include <algorithm>
#include <cerrno>
#include <system_error>
#include <unistd.h>

void TBoxWriter::U16(uint16_t value)
{
    U8(static_cast<uint8_t>(value >> 8));
    U8(static_cast<uint8_t>(value));
}

void TBoxWriter::U32(uint32_t value)
{
    U16(static_cast<uint16_t>(value >> 16));
    U16(static_cast<uint16_t>(value));
}

void TBoxWriter::U64(uint64_t value)
{
    U32(static_cast<uint32_t>(value >> 32));
    U32(static_cast<uint32_t>(value));
}

void TBoxWriter::String(const std::string& text)
{
    FBytes += text;
    FBytes.push_back('\0');
}

std::string Box(const char* type, const std::string& payload)
{
    TBoxWriter w;
    w.U32(static_cast<uint32_t>(8 + payload.size()));
    w.FourCC(type);
    w.Bytes(payload);
    return w.Data();
}

std::string FullBox(const char* type, uint8_t version, uint32_t flags, const std::string& payload)
{
    TBoxWriter w;
    w.U8(version);
    w.U8(static_cast<uint8_t>(flags >> 16));
    w.U16(static_cast<uint16_t>(flags));
    w.Bytes(payload);
    return Box(type, w.Data());
}

uint16_t ReadU16(const std::string& bytes, uint64_t at)
{
    const auto* p = reinterpret_cast<const uint8_t*>(bytes.data() + at);
    return static_cast<uint16_t>(p[0] << 8 | p[1]);
}

uint32_t ReadU32(const std::string& bytes, uint64_t at)
{
    return static_cast<uint32_t>(ReadU16(bytes, at)) << 16 | ReadU16(bytes, at + 2);
}

uint64_t ReadU64(const std::string& bytes, uint64_t at)
{
    return static_cast<uint64_t>(ReadU32(bytes, at)) << 32 | ReadU32(bytes, at + 4);
}

void WriteU32(std::string& bytes, uint64_t at, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        bytes[at + i] = static_cast<char>(value >> (24 - 8 * i));
}

namespace {

// A box header at `offset` of a space ending at `end`, from its first 16
// bytes (fewer when the space ends sooner); none when it does not fit.
std::optional<TBoxPlace> HeaderAt(const std::string& head, uint64_t offset, uint64_t end)
{
    if (head.size() < 8 || end - offset < 8)
        return std::nullopt;
    TBoxPlace box;
    box.Offset = offset;
    box.Type = head.substr(4, 4);
    box.Size = ReadU32(head, 0);
    if (box.Size == 1) {
        if (head.size() < 16 || end - offset < 16)
            return std::nullopt;
        box.Size = ReadU64(head, 8);
        box.Header = 16;
    } else if (box.Size == 0) {
        box.Size = end - offset; // to the end
    }
    if (box.Size < box.Header || box.Size > end - offset)
        return std::nullopt;
    return box;
}

} // namespace

std::vector<TBoxPlace> ChildBoxes(const std::string& bytes, uint64_t from, uint64_t to, bool* whole)
{
    std::vector<TBoxPlace> boxes;
    if (whole)
        *whole = true;
    to = std::min<uint64_t>(to, bytes.size());
    for (uint64_t at = from; at < to;) {
        const auto box = HeaderAt(bytes.substr(at, 16), at, to);
        if (!box) {
            if (whole)
                *whole = false;
            break;
        }
        boxes.push_back(*box);
        at = box->End();
    }
    return boxes;
}

std::optional<TBoxPlace> FindBox(const std::vector<TBoxPlace>& boxes, const char* type)
{
    for (const TBoxPlace& box : boxes)
        if (box.Type == type)
            return box;
    return std::nullopt;
}

std::vector<TBoxPlace> TopLevelBoxes(int fd, uint64_t fileSize, bool& whole)
{
    std::vector<TBoxPlace> boxes;
    whole = true;
    for (uint64_t at = 0; at < fileSize;) {
        std::string head(16, '\0');
        ssize_t got;
        do
            got = ::pread(fd, head.data(), head.size(), static_cast<off_t>(at));
        while (got < 0 && errno == EINTR);
        if (got < 0)
            throw std::system_error(errno, std::generic_category());
        head.resize(static_cast<size_t>(got));
        const auto box = HeaderAt(head, at, fileSize);
        if (!box) {
            whole = false;
            break;
        }
        boxes.push_back(*box);
        at = box->End();
    }
    return boxes;
}
