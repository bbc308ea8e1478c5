// Test-only streams: a stream over a byte string that cannot Peek (so the
// line reader takes its plain block path), one whose writes fail after a
// number of bytes, and helpers to load byte strings into memory streams and
// write them into files.
#pragma once

#include "core/errors.h"
#include "core/streams.h"
#include "fixtures/files.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

// A byte buffer behind the plain TStream operations only (no Peek). Records
// the size of every Write call.
class TNoPeekStream : public TStream {
public:
    explicit TNoPeekStream(std::string bytes = {}) : FBytes(std::move(bytes)) {}

    int64_t Read(void* buffer, int64_t count) override
    {
        ++ReadCalls;
        if (count <= 0 || FPosition >= Size())
            return 0;
        const int64_t n = std::min(count, Size() - FPosition);
        std::memcpy(buffer, FBytes.data() + FPosition, static_cast<size_t>(n));
        FPosition += n;
        return n;
    }
    int64_t Write(const void* buffer, int64_t count) override
    {
        if (count <= 0)
            return 0;
        Writes.push_back(std::string(static_cast<const char*>(buffer), static_cast<size_t>(count)));
        if (FPosition + count > Size())
            FBytes.resize(static_cast<size_t>(FPosition + count), '\0');
        std::memcpy(FBytes.data() + FPosition, buffer, static_cast<size_t>(count));
        FPosition += count;
        return count;
    }
    int64_t Seek(int64_t offset, TSeekOrigin origin) override
    {
        const int64_t base = origin == TSeekOrigin::soBeginning ? 0
                             : origin == TSeekOrigin::soCurrent ? FPosition
                                                                 : Size();
        if (base + offset < 0)
            throw EStreamError("negative position");
        FPosition = base + offset;
        return FPosition;
    }
    int64_t Size() const override { return static_cast<int64_t>(FBytes.size()); }
    void SetSize(int64_t newSize) override { FBytes.resize(static_cast<size_t>(newSize)); }

    const std::string& Bytes() const { return FBytes; }
    std::vector<std::string> Writes;
    int ReadCalls = 0;

private:
    std::string FBytes;
    int64_t FPosition = 0;
};

// Stores at most 'capacity' bytes in all; a write beyond that stores what
// still fits and reports the shorter count, as a full disk does.
class TFailingWriteStream : public TNoPeekStream {
public:
    explicit TFailingWriteStream(int64_t capacity) : FCapacity(capacity) {}
    int64_t Write(const void* buffer, int64_t count) override
    {
        const int64_t room = std::max<int64_t>(0, FCapacity - Size());
        return TNoPeekStream::Write(buffer, std::min(count, room));
    }

private:
    int64_t FCapacity;
};

// Reports the size of its bytes, but every read at or after 'failAt' fails
// (0 bytes), as a file that shrank under the reader or a failing disk.
class TFailingReadStream : public TNoPeekStream {
public:
    TFailingReadStream(std::string bytes, int64_t failAt) : TNoPeekStream(std::move(bytes)), FFailAt(failAt) {}
    int64_t Read(void* buffer, int64_t count) override
    {
        const int64_t pos = Position();
        if (pos >= FFailAt) {
            // A reader that keeps asking after the end would loop for ever.
            if (++FFailedReads > 10000) {
                std::fprintf(stderr, "TFailingReadStream: more than 10000 reads after the failure point\n");
                std::_Exit(3);
            }
            return 0;
        }
        return TNoPeekStream::Read(buffer, std::min(count, FFailAt - pos));
    }

private:
    int64_t FFailAt;
    int FFailedReads = 0;
};

// A read that reaches byte 'failAt' raises the system's input/output
// error, as a file stream over a failing disk does (it keeps reading until it
// has what was asked, the end of the file or an error).
class TBrokenDiskStream : public TNoPeekStream {
public:
    TBrokenDiskStream(std::string bytes, int64_t failAt) : TNoPeekStream(std::move(bytes)), FFailAt(failAt) {}
    int64_t Read(void* buffer, int64_t count) override
    {
        if (count > 0 && Position() + std::min(count, Size() - Position()) > FFailAt)
            throw EInOutError("Ошибка чтения файла \"disk\". Input/output error");
        return TNoPeekStream::Read(buffer, count);
    }

private:
    int64_t FFailAt;
};

// A memory stream that never shows more than 'limit' bytes in place, as a
// stream with a small buffer might: a reader must not take a short view for
// the end of the stream.
class TShortPeekStream : public TMemoryStream {
public:
    explicit TShortPeekStream(int64_t limit) : FLimit(limit) {}
    TPeek Peek(int64_t maxCount) override { return TMemoryStream::Peek(std::min(maxCount, FLimit)); }

private:
    int64_t FLimit;
};

inline void LoadBytes(TMemoryStream& m, const std::string& bytes)
{
    m.Clear();
    if (!bytes.empty())
        m.WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
    m.SetPosition(0);
}

inline std::string StreamBytes(TMemoryStream& m)
{
    return std::string(reinterpret_cast<const char*>(m.Memory()), static_cast<size_t>(m.Size()));
}

// Writes the bytes into the file `name` of the folder and returns its path.
inline std::string WriteInFolder(const fixture::TScratchFolder& folder, const std::string& name,
                                 const std::string& bytes)
{
    const std::string path = folder / name;
    fixture::WriteFileBytes(path, bytes);
    return path;
}
