// ISO base media file format boxes: writing the few boxes an export adds
// itself (big-endian fields, NUL-ended strings) and walking the boxes of a
// file or of a box's payload.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// The bytes of boxes under construction.
class TBoxWriter {
public:
    void U8(uint8_t value) { FBytes.push_back(static_cast<char>(value)); }
    void U16(uint16_t value);
    void U32(uint32_t value);
    void U64(uint64_t value);
    void FourCC(const char* type) { FBytes.append(type, 4); }
    // UTF-8 text and its terminating NUL.
    void String(const std::string& text);
    void Bytes(const std::string& bytes) { FBytes += bytes; }
    void Zeros(size_t count) { FBytes.append(count, '\0'); }
    size_t Size() const { return FBytes.size(); }
    const std::string& Data() const { return FBytes; }

private:
    std::string FBytes;
};

// A box of the type holding the payload: its size and type in front.
std::string Box(const char* type, const std::string& payload);
// A box with version and flags in front of the payload.
std::string FullBox(const char* type, uint8_t version, uint32_t flags, const std::string& payload);

// A box found in a file or in a payload: where it starts, its whole size
// and the size of its header (8, or 16 with a 64-bit size).
struct TBoxPlace {
    std::string Type;
    uint64_t Offset = 0;
    uint64_t Size = 0;
    uint32_t Header = 8;
    uint64_t PayloadOffset() const { return Offset + Header; }
    uint64_t End() const { return Offset + Size; }
};

// The boxes one after another in bytes[from, to) (offsets in `bytes`); none
// when a size does not fit (the result then ends before the fault and
// `whole` is set false).
std::vector<TBoxPlace> ChildBoxes(const std::string& bytes, uint64_t from, uint64_t to, bool* whole = nullptr);
// The first child of that type, if any.
std::optional<TBoxPlace> FindBox(const std::vector<TBoxPlace>& boxes, const char* type);

// The top-level boxes of a file, read through the descriptor with pread;
// `whole` false when the last box runs past the end or a size is wrong.
std::vector<TBoxPlace> TopLevelBoxes(int fd, uint64_t fileSize, bool& whole);

uint16_t ReadU16(const std::string& bytes, uint64_t at);
uint32_t ReadU32(const std::string& bytes, uint64_t at);
uint64_t ReadU64(const std::string& bytes, uint64_t at);
void WriteU32(std::string& bytes, uint64_t at, uint32_t value);
