// Shared blocks of bytes and the read-only stream over one.
#include "sharedbytes.h"

#include "errors.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>

TSharedBytes::TBlock::~TBlock()
{
    std::free(Memory);
}

TSharedBytes TSharedBytes::WholeBlock(std::shared_ptr<TBlock> block)
{
    TSharedBytes bytes;
    bytes.FData = block->Memory;
    bytes.FSize = block->Published.load(std::memory_order_acquire);
    bytes.FBlock = std::move(block);
    return bytes;
}

namespace {

uint8_t* Allocate(int64_t size)
{
    if (size < 0 || static_cast<uint64_t>(size) > SIZE_MAX / 2)
        throw EOutOfMemory("Недостаточно памяти!");
    auto* memory = static_cast<uint8_t*>(std::malloc(static_cast<size_t>(std::max<int64_t>(size, 1))));
    if (!memory)
        throw EOutOfMemory("Недостаточно памяти!");
    return memory;
}

} // namespace

TSharedBytes TSharedBytes::Copy(const void* data, int64_t size)
{
    if (size <= 0)
        return {};
    auto block = std::make_shared<TBlock>();
    block->Memory = Allocate(size);
    block->Capacity = size;
    std::memcpy(block->Memory, data, static_cast<size_t>(size));
    block->Published.store(size, std::memory_order_release);
    return WholeBlock(std::move(block));
}

TSharedBytes TSharedBytes::Take(TMemoryStream& stream) noexcept
{
    std::shared_ptr<TBlock> block;
    try {
        block = std::make_shared<TBlock>();
    } catch (const std::bad_alloc&) {
        // Too little memory for the count: a copy could not be had either,
        // and the stream keeps its bytes.
        return {};
    }
    int64_t size = 0;
    block->Memory = stream.Release(size);
    if (!block->Memory)
        return {};
    block->Capacity = size;
    block->Published.store(size, std::memory_order_release);
    return WholeBlock(std::move(block));
}

TSharedBytes TSharedBytes::Read(TStream& stream, int64_t count)
{
    if (count <= 0)
        return {};
    auto block = std::make_shared<TBlock>();
    block->Memory = Allocate(count);
    block->Capacity = count;
    stream.ReadBuffer(block->Memory, count);
    block->Published.store(count, std::memory_order_release);
    return WholeBlock(std::move(block));
}

TSharedBytes TSharedBytes::Slice(int64_t offset, int64_t size) const
{
    offset = std::clamp<int64_t>(offset, 0, FSize);
    size = std::clamp<int64_t>(size, 0, FSize - offset);
    if (size == 0)
        return {};
    TSharedBytes view;
    view.FBlock = FBlock;
    view.FData = FData + offset;
    view.FSize = size;
    return view;
}

TSharedBytes TStream::ReadShared(int64_t count)
{
    return TSharedBytes::Read(*this, count);
}

// ------------------------------------------------------ TSharedBytesStream

int64_t TSharedBytesStream::Read(void* buffer, int64_t count)
{
    if (count <= 0 || FPosition >= FBytes.Size())
        return 0;
    const int64_t n = std::min(count, FBytes.Size() - FPosition);
    std::memcpy(buffer, FBytes.Memory() + FPosition, static_cast<size_t>(n));
    FPosition += n;
    return n;
}

int64_t TSharedBytesStream::Write(const void*, int64_t)
{
    throw EWriteError("Ошибка записи потока: поток только для чтения");
}

int64_t TSharedBytesStream::Seek(int64_t offset, TSeekOrigin origin)
{
    int64_t base = 0;
    if (origin == TSeekOrigin::soCurrent)
        base = FPosition;
    else if (origin == TSeekOrigin::soEnd)
        base = FBytes.Size();
    if (base + offset < 0)
        throw EStreamError("Неверная позиция в потоке");
    FPosition = base + offset;
    return FPosition;
}

void TSharedBytesStream::SetSize(int64_t)
{
    throw EStreamError("Поток только для чтения");
}

TStream::TPeek TSharedBytesStream::Peek(int64_t maxCount)
{
    if (maxCount <= 0 || FPosition >= FBytes.Size())
        return {};
    return {FBytes.Memory() + FPosition, std::min(maxCount, FBytes.Size() - FPosition)};
}

TSharedBytes TSharedBytesStream::ReadShared(int64_t count)
{
    if (count <= 0)
        return {};
    if (count > FBytes.Size() - FPosition)
        throw EReadError("Ошибка чтения потока: данные кончились раньше времени");
    TSharedBytes view = FBytes.Slice(FPosition, count);
    FPosition += count;
    return view;
}
