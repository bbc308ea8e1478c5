// Byte streams: the abstract TStream with a position and a size, a stream held
// in memory and a stream over a file. Reads and writes return the number of
// bytes moved; ReadBuffer and WriteBuffer raise when fewer bytes moved.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

class TSharedBytes;

enum class TSeekOrigin { soBeginning, soCurrent, soEnd };

class TStream {
public:
    virtual ~TStream() = default;
    TStream() = default;
    TStream(const TStream&) = delete;
    TStream& operator=(const TStream&) = delete;

    // Moves up to count bytes; returns how many moved (0 at the end). A
    // stream over a file raises EInOutError when the system cannot read it.
    virtual int64_t Read(void* buffer, int64_t count) = 0;
    virtual int64_t Write(const void* buffer, int64_t count) = 0;
    // Returns the new position. Seeking past the end is allowed (as in a file).
    virtual int64_t Seek(int64_t offset, TSeekOrigin origin) = 0;
    virtual int64_t Size() const = 0;
    virtual void SetSize(int64_t newSize) = 0;

    int64_t Position() const { return const_cast<TStream*>(this)->Seek(0, TSeekOrigin::soCurrent); }
    void SetPosition(int64_t pos) { Seek(pos, TSeekOrigin::soBeginning); }

    // Raise EReadError / EWriteError when fewer than count bytes moved.
    void ReadBuffer(void* buffer, int64_t count);
    void WriteBuffer(const void* buffer, int64_t count);
    void WriteString(const std::string& text) { WriteBuffer(text.data(), static_cast<int64_t>(text.size())); }

    // Copies count bytes from source's current position; count 0 copies the
    // whole source from its first byte. Raises when the source ends early or
    // a write falls short. Returns the bytes copied.
    virtual int64_t CopyFrom(TStream& source, int64_t count);

    // Bytes that can be looked at in place from the current position without
    // moving it, for streams that hold their bytes in memory (others: none).
    // Used by line readers to scan without copying.
    struct TPeek {
        const uint8_t* data = nullptr;
        int64_t size = 0;
    };
    virtual TPeek Peek(int64_t maxCount);

    // A hint before writing about `count` bytes from the current position
    // (a download whose length is announced): a stream that holds its bytes
    // in memory makes room for all of them at once. Raises EOutOfMemory
    // when that room cannot be had; other streams ignore it.
    virtual void Reserve(int64_t count) { (void)count; }

    // The next count bytes as a view that stays valid on its own (see
    // sharedbytes.h), the position moved past them: a stream over shared
    // bytes gives a view of its own block, others a copy. Raises
    // EOutOfMemory, or EReadError when the stream ends first.
    virtual TSharedBytes ReadShared(int64_t count);

protected:
    // The message of the error WriteBuffer raises after a short write.
    virtual std::string WriteFailureText() const;
    // CopyFrom's count made definite: 0 rewinds the source and takes its
    // whole size; a negative count raises EReadError.
    static int64_t CopyCount(TStream& source, int64_t count);
};

// A stream whose bytes live in one block of memory. The block grows as writes
// need it; SetSize reserves exactly what is asked.
class TMemoryStream : public TStream {
public:
    TMemoryStream() = default;
    ~TMemoryStream() override;

    int64_t Read(void* buffer, int64_t count) override;
    int64_t Write(const void* buffer, int64_t count) override;
    int64_t Seek(int64_t offset, TSeekOrigin origin) override;
    int64_t Size() const override { return FSize; }
    // Raises EOutOfMemory when the block cannot be had.
    void SetSize(int64_t newSize) override;
    int64_t CopyFrom(TStream& source, int64_t count) override;
    TPeek Peek(int64_t maxCount) override;
    void Reserve(int64_t count) override;

    void Clear();
    // Takes over the source's block without copying it: this stream gets
    // the source's bytes (its own are freed) positioned at 0, the source is
    // left empty. The block is trimmed to the bytes it holds.
    void TakeFrom(TMemoryStream& source) noexcept;
    // Gives the block away (trimmed to the bytes it holds; null when empty)
    // with its size; the stream is left empty. Free it with std::free.
    uint8_t* Release(int64_t& size) noexcept;
    uint8_t* Memory() { return FMemory; }
    const uint8_t* Memory() const { return FMemory; }

    void LoadFromStream(TStream& source);
    void SaveToStream(TStream& target) const;
    void LoadFromFile(const std::string& path);
    void SaveToFile(const std::string& path) const;

private:
    void SetCapacity(int64_t capacity);
    void AdviseLargeBlock();

    uint8_t* FMemory = nullptr;
    int64_t FSize = 0;
    int64_t FCapacity = 0;
    int64_t FPosition = 0;
};

enum class TFileMode { fmOpenRead, fmCreate, fmOpenReadWrite };

// A stream over a file. Reading is buffered (a small look-ahead, sized by how
// the file is being read, that the line reader's read-ahead and seek-back use
// without system calls); large reads go straight into the caller's memory.
// Writes are not buffered, so a failing write is reported by the call that
// made it; what the system reports only when the file is closed (a full
// quota, a network file system) a writer learns from Close.
class TFileStream : public TStream {
public:
    // Raises EFOpenError (fmOpenRead, fmOpenReadWrite) or EFCreateError
    // (fmCreate) with the path and the system's reason.
    TFileStream(const std::string& path, TFileMode mode);
    // Takes over a descriptor open for reading and writing; `name` is the
    // file its messages name (the target of a temporary file).
    TFileStream(int handle, const std::string& name);
    // Closes the file unless Close did; a failure there goes unreported.
    ~TFileStream() override;

    // Closes the file. Raises EWriteError naming the file and the system's
    // reason when the close fails: what was written may not have reached
    // the file. The stream is closed afterwards either way.
    void Close();

    int64_t Read(void* buffer, int64_t count) override;
    int64_t Write(const void* buffer, int64_t count) override;
    int64_t Seek(int64_t offset, TSeekOrigin origin) override;
    int64_t Size() const override;
    void SetSize(int64_t newSize) override;
    TPeek Peek(int64_t maxCount) override;

    const std::string& FileName() const { return FPath; }
    // The system's descriptor; -1 after Close.
    int Handle() const { return FHandle; }

protected:
    std::string WriteFailureText() const override;

private:
    void DropBuffer();
    bool FillBuffer(int64_t want);
    [[noreturn]] void ThrowReadFailure(int error) const;

    std::string FPath;
    int FHandle = -1;
    int64_t FPosition = 0;         // logical position
    int64_t FSize = -1;            // cached size while only reading; -1 unknown
    std::unique_ptr<uint8_t[]> FBuffer;
    int64_t FBufferStart = 0;      // file offset of FBuffer[0]
    int64_t FBufferLength = 0;     // valid bytes in FBuffer
    int64_t FBufferCapacity = 0;
    int64_t FReadAhead = 16 * 1024; // bytes the next fill reads at least
    std::string FWriteError;       // the system's reason of the last failed write
};

// The system's text for errno, in the user's language where the system has it.
std::string SystemErrorText(int err);
