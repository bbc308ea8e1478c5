// TSharedBytes: a block of bytes that never changes once written, shared by
// reference count, and views into it. A fetched fragment's body, the open
// fragment's bytes and every frame's JPEG bytes are views of one block: the
// block is freed when its last view goes, whoever held it (a list that
// clears its records, a window that closes, an export that runs on).
//
// The block is laid out for growing while it is read: it has a capacity and
// a published length, and a view only ever covers published bytes. Bytes
// appended later (a fragment played while it arrives) go behind the
// published length into room that no view covers, then the length moves on;
// a view made earlier stays as it was. Nothing appends yet: every block is
// published whole when it is made.
#pragma once

#include "streams.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <span>

class TSharedBytes {
public:
    // No bytes.
    TSharedBytes() = default;

    // A new block holding a copy of the bytes. Raises EOutOfMemory.
    static TSharedBytes Copy(const void* data, int64_t size);
    // The stream's block, taken over without a copy; the stream is left
    // empty. The whole stream is the view, whatever its position.
    static TSharedBytes Take(TMemoryStream& stream) noexcept;
    // count bytes read from the stream's position. Raises EOutOfMemory, or
    // EReadError when the stream ends first.
    static TSharedBytes Read(TStream& stream, int64_t count);

    const uint8_t* Memory() const { return FData; }
    int64_t Size() const { return FSize; }
    bool Empty() const { return FSize == 0; }
    std::span<const uint8_t> Span() const { return {FData, static_cast<size_t>(FSize)}; }

    // A view of size bytes from offset within this view, holding the same
    // block; the range is cut to the view.
    TSharedBytes Slice(int64_t offset, int64_t size) const;
    // True when both views hold the same block (or both none).
    bool SharesBlockWith(const TSharedBytes& other) const { return FBlock == other.FBlock; }
    // How many views hold the block (0 for no bytes).
    long Holders() const { return FBlock.use_count(); }

private:
    struct TBlock {
        uint8_t* Memory = nullptr; // malloc'ed; freed with the block
        int64_t Capacity = 0;
        std::atomic<int64_t> Published{0}; // bytes any view may cover
        TBlock() = default;
        TBlock(const TBlock&) = delete;
        TBlock& operator=(const TBlock&) = delete;
        ~TBlock();
    };
    static TSharedBytes WholeBlock(std::shared_ptr<TBlock> block);

    std::shared_ptr<const TBlock> FBlock;
    const uint8_t* FData = nullptr;
    int64_t FSize = 0;
};

// A read-only stream over a view. A frame read from it keeps a view of its
// bytes instead of a copy (ReadShared).
class TSharedBytesStream : public TStream {
public:
    explicit TSharedBytesStream(TSharedBytes bytes) : FBytes(std::move(bytes)) {}

    int64_t Read(void* buffer, int64_t count) override;
    // Raises EWriteError: the bytes never change.
    int64_t Write(const void* buffer, int64_t count) override;
    int64_t Seek(int64_t offset, TSeekOrigin origin) override;
    int64_t Size() const override { return FBytes.Size(); }
    // Raises EStreamError.
    void SetSize(int64_t newSize) override;
    TPeek Peek(int64_t maxCount) override;
    TSharedBytes ReadShared(int64_t count) override;

    const TSharedBytes& Bytes() const { return FBytes; }

private:
    TSharedBytes FBytes;
    int64_t FPosition = 0;
};
