// Streams: memory and file streams with the read/write/seek/copy operations
// the container and the player use.
#include "streams.h"

#include "errors.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

std::string SystemErrorText(int err)
{
    char buf[256];
    // GNU strerror_r returns the text, which may or may not live in buf.
    const char* text = strerror_r(err, buf, sizeof buf);
    return text ? std::string(text) : std::string("error ") + std::to_string(err);
}

// ---------------------------------------------------------------- TStream

void TStream::ReadBuffer(void* buffer, int64_t count)
{
    if (count < 0)
        throw EReadError("Ошибка чтения потока: отрицательная длина");
    if (count != 0 && Read(buffer, count) != count)
        throw EReadError("Ошибка чтения потока: данные кончились раньше времени");
}

void TStream::WriteBuffer(const void* buffer, int64_t count)
{
    if (count < 0)
        throw EWriteError("Ошибка записи потока: отрицательная длина");
    if (count != 0 && Write(buffer, count) != count)
        throw EWriteError(WriteFailureText());
}

std::string TStream::WriteFailureText() const
{
    return "Ошибка записи потока: записаны не все данные";
}

int64_t TStream::CopyCount(TStream& source, int64_t count)
{
    if (count == 0) {
        source.SetPosition(0);
        count = source.Size();
    }
    if (count < 0)
        throw EReadError("Ошибка чтения потока: отрицательная длина");
    return count;
}

int64_t TStream::CopyFrom(TStream& source, int64_t count)
{
    count = CopyCount(source, count);
    constexpr int64_t chunk = 1 << 16;
    std::unique_ptr<uint8_t[]> buf(new uint8_t[static_cast<size_t>(std::min(count, chunk)) + 1]);
    int64_t left = count;
    while (left > 0) {
        const int64_t n = std::min(left, chunk);
        source.ReadBuffer(buf.get(), n);
        WriteBuffer(buf.get(), n);
        left -= n;
    }
    return count;
}

TStream::TPeek TStream::Peek(int64_t)
{
    return {};
}

// ---------------------------------------------------------- TMemoryStream

TMemoryStream::~TMemoryStream()
{
    std::free(FMemory);
}

void TMemoryStream::SetCapacity(int64_t capacity)
{
    if (capacity == FCapacity)
        return;
    if (capacity == 0) {
        std::free(FMemory);
        FMemory = nullptr;
        FCapacity = 0;
        return;
    }
    if (capacity < 0 || static_cast<uint64_t>(capacity) > SIZE_MAX / 2)
        throw EOutOfMemory("Недостаточно памяти!");
    void* p = std::realloc(FMemory, static_cast<size_t>(capacity));
    if (!p)
        throw EOutOfMemory("Недостаточно памяти!");
    FMemory = static_cast<uint8_t*>(p);
    FCapacity = capacity;
    AdviseLargeBlock();
}

void TMemoryStream::AdviseLargeBlock()
{
#ifdef MADV_HUGEPAGE
    // A block of many megabytes (a fetched fragment, a copy of one) is
    // written once from end to end: in 2 MiB pages that costs a few hundred
    // page faults instead of a hundred thousand. Only a hint; the system may
    // ignore it.
    constexpr uintptr_t kHugePage = 2 * 1024 * 1024;
    if (FCapacity < static_cast<int64_t>(4 * kHugePage))
        return;
    const auto begin = reinterpret_cast<uintptr_t>(FMemory);
    const uintptr_t first = (begin + kHugePage - 1) & ~(kHugePage - 1);
    const uintptr_t last = (begin + static_cast<uintptr_t>(FCapacity)) & ~(kHugePage - 1);
    if (last > first)
        ::madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
#endif
}

void TMemoryStream::Reserve(int64_t count)
{
    if (count <= 0)
        return;
    if (count > INT64_MAX - FPosition)
        throw EOutOfMemory("Недостаточно памяти!");
    const int64_t end = FPosition + count;
    if (end > FCapacity)
        SetCapacity(end);
}

void TMemoryStream::SetSize(int64_t newSize)
{
    if (newSize < 0)
        throw EStreamError("Неверный размер потока");
    SetCapacity(newSize);
    FSize = newSize;
    if (FPosition > FSize)
        FPosition = FSize;
}

void TMemoryStream::Clear()
{
    SetCapacity(0);
    FSize = 0;
    FPosition = 0;
}

void TMemoryStream::TakeFrom(TMemoryStream& source) noexcept
{
    if (&source == this)
        return;
    std::free(FMemory);
    FMemory = source.FMemory;
    FSize = source.FSize;
    FCapacity = source.FCapacity;
    FPosition = 0;
    source.FMemory = nullptr;
    source.FSize = 0;
    source.FCapacity = 0;
    source.FPosition = 0;
    // Growing by half again leaves up to a third of the block unused; a
    // large block gives it back without a copy (the system remaps it).
    if (FCapacity > FSize && FSize > 0) {
        if (void* p = std::realloc(FMemory, static_cast<size_t>(FSize))) {
            FMemory = static_cast<uint8_t*>(p);
            FCapacity = FSize;
        }
    }
}

uint8_t* TMemoryStream::Release(int64_t& size) noexcept
{
    TMemoryStream whole;
    whole.TakeFrom(*this); // trims the block
    uint8_t* memory = whole.FMemory;
    size = whole.FSize;
    whole.FMemory = nullptr;
    whole.FSize = 0;
    whole.FCapacity = 0;
    return memory;
}

int64_t TMemoryStream::Read(void* buffer, int64_t count)
{
    if (count <= 0 || FPosition >= FSize)
        return 0;
    const int64_t n = std::min(count, FSize - FPosition);
    std::memcpy(buffer, FMemory + FPosition, static_cast<size_t>(n));
    FPosition += n;
    return n;
}

int64_t TMemoryStream::Write(const void* buffer, int64_t count)
{
    if (count <= 0 || FPosition < 0)
        return 0;
    const int64_t end = FPosition + count;
    if (end > FCapacity) {
        // Geometric growth keeps a stream written in small pieces linear.
        int64_t capacity = std::max<int64_t>(end, FCapacity + FCapacity / 2);
        capacity = (capacity + 0xFFF) & ~int64_t(0xFFF);
        try {
            SetCapacity(capacity);
        } catch (const EOutOfMemory&) {
            SetCapacity(end);
        }
    }
    if (FPosition > FSize)
        std::memset(FMemory + FSize, 0, static_cast<size_t>(FPosition - FSize));
    std::memcpy(FMemory + FPosition, buffer, static_cast<size_t>(count));
    FPosition = end;
    if (end > FSize)
        FSize = end;
    return count;
}

int64_t TMemoryStream::Seek(int64_t offset, TSeekOrigin origin)
{
    int64_t base = 0;
    switch (origin) {
    case TSeekOrigin::soBeginning: base = 0; break;
    case TSeekOrigin::soCurrent: base = FPosition; break;
    case TSeekOrigin::soEnd: base = FSize; break;
    }
    const int64_t pos = base + offset;
    if (pos < 0)
        throw EStreamError("Неверная позиция в потоке");
    FPosition = pos;
    return FPosition;
}

TStream::TPeek TMemoryStream::Peek(int64_t maxCount)
{
    if (FPosition >= FSize || maxCount <= 0)
        return {};
    return {FMemory + FPosition, std::min(maxCount, FSize - FPosition)};
}

int64_t TMemoryStream::CopyFrom(TStream& source, int64_t count)
{
    count = CopyCount(source, count);
    if (count == 0)
        return 0;
    // Read straight into our own block: one copy, no bounce buffer.
    const int64_t start = FPosition;
    TMemoryStream::Reserve(count); // room in this very block, whatever an override makes of the hint
    if (start > FSize)
        std::memset(FMemory + FSize, 0, static_cast<size_t>(start - FSize));
    const int64_t got = source.Read(FMemory + start, count);
    const int64_t reached = start + std::max<int64_t>(got, 0);
    if (reached > FSize)
        FSize = reached;
    FPosition = reached;
    if (got != count)
        throw EReadError("Ошибка чтения потока: данные кончились раньше времени");
    return count;
}

void TMemoryStream::LoadFromStream(TStream& source)
{
    source.SetPosition(0);
    const int64_t n = source.Size();
    SetSize(n);
    FPosition = 0;
    source.ReadBuffer(FMemory, n);
}

void TMemoryStream::SaveToStream(TStream& target) const
{
    target.WriteBuffer(FMemory, FSize);
}

void TMemoryStream::LoadFromFile(const std::string& path)
{
    TFileStream file(path, TFileMode::fmOpenRead);
    LoadFromStream(file);
}

void TMemoryStream::SaveToFile(const std::string& path) const
{
    TFileStream file(path, TFileMode::fmCreate);
    SaveToStream(file);
    file.Close();
}

// ------------------------------------------------------------ TFileStream

namespace {
// The read-ahead adapts to how the file is read. A fragment is mostly large
// frame reads that bypass the buffer, with a few short text lines between
// them: bytes read ahead there are copied twice, so after a large read the
// read-ahead drops to what a part's text lines need. Small reads that use up
// the buffer one after another double it again, up to the maximum.
constexpr int64_t kReadAheadMin = 512;
constexpr int64_t kReadAheadMax = 16 * 1024;
// Reads of at least this many bytes go straight into the caller's memory.
constexpr int64_t kDirectRead = 8 * 1024;
}

TFileStream::TFileStream(const std::string& path, TFileMode mode) : FPath(path)
{
    int flags = O_CLOEXEC;
    switch (mode) {
    case TFileMode::fmOpenRead: flags |= O_RDONLY; break;
    case TFileMode::fmCreate: flags |= O_RDWR | O_CREAT | O_TRUNC; break;
    case TFileMode::fmOpenReadWrite: flags |= O_RDWR; break;
    }
    FHandle = ::open(path.c_str(), flags, 0666);
    if (FHandle < 0) {
        const int err = errno;
        if (mode == TFileMode::fmCreate)
            throw EFCreateError("Не могу создать файл \"" + path + "\". " + SystemErrorText(err));
        throw EFOpenError("Не могу открыть файл \"" + path + "\". " + SystemErrorText(err));
    }
    struct stat st {};
    if (::fstat(FHandle, &st) == 0 && S_ISDIR(st.st_mode)) {
        ::close(FHandle);
        FHandle = -1;
        const std::string reason = SystemErrorText(EISDIR);
        if (mode == TFileMode::fmCreate)
            throw EFCreateError("Не могу создать файл \"" + path + "\". " + reason);
        throw EFOpenError("Не могу открыть файл \"" + path + "\". " + reason);
    }
}

TFileStream::TFileStream(int handle, const std::string& name) : FPath(name), FHandle(handle)
{
}

TFileStream::~TFileStream()
{
    if (FHandle >= 0)
        ::close(FHandle);
}

void TFileStream::Close()
{
    if (FHandle < 0)
        return;
    const int handle = FHandle;
    FHandle = -1;
    DropBuffer();
    // On this system the descriptor is released even when close fails; an
    // interrupted close says nothing about the data, so only a reported
    // error fails it.
    if (::close(handle) != 0 && errno != EINTR) {
        FWriteError = SystemErrorText(errno);
        throw EWriteError(WriteFailureText());
    }
}

void TFileStream::DropBuffer()
{
    FBufferLength = 0;
    FSize = -1;
}

int64_t TFileStream::Size() const
{
    if (FSize >= 0)
        return FSize;
    struct stat st {};
    if (::fstat(FHandle, &st) != 0)
        return 0;
    const_cast<TFileStream*>(this)->FSize = st.st_size;
    return st.st_size;
}

void TFileStream::SetSize(int64_t newSize)
{
    DropBuffer();
    if (newSize < 0 || ::ftruncate(FHandle, newSize) != 0)
        throw EStreamError("Не могу изменить размер файла \"" + FPath + "\". " + SystemErrorText(errno));
    if (FPosition > newSize)
        FPosition = newSize;
}

int64_t TFileStream::Seek(int64_t offset, TSeekOrigin origin)
{
    int64_t base = 0;
    switch (origin) {
    case TSeekOrigin::soBeginning: base = 0; break;
    case TSeekOrigin::soCurrent: base = FPosition; break;
    case TSeekOrigin::soEnd: base = Size(); break;
    }
    const int64_t pos = base + offset;
    if (pos < 0)
        throw EStreamError("Неверная позиция в файле \"" + FPath + "\"");
    FPosition = pos;
    return FPosition;
}

bool TFileStream::FillBuffer(int64_t want)
{
    // Keeps [FPosition, FPosition + want) in the buffer where the file has it.
    if (FPosition >= FBufferStart && FPosition + want <= FBufferStart + FBufferLength)
        return true;
    // Reading on from the far half of the previous block: small pieces are
    // using it up, so look further ahead.
    if (FBufferLength > 0 && FPosition >= FBufferStart + FBufferLength / 2 &&
        FPosition <= FBufferStart + FBufferLength)
        FReadAhead = std::min(FReadAhead * 2, kReadAheadMax);
    const int64_t fill = std::max(FReadAhead, want);
    if (fill > FBufferCapacity) {
        const int64_t capacity = std::max(kReadAheadMax, fill);
        FBuffer.reset(new uint8_t[static_cast<size_t>(capacity)]);
        FBufferCapacity = capacity;
        FBufferLength = 0;
    }
    FBufferStart = FPosition;
    FBufferLength = 0;
    while (FBufferLength < fill) {
        const ssize_t n = ::pread(FHandle, FBuffer.get() + FBufferLength,
                                  static_cast<size_t>(fill - FBufferLength),
                                  FBufferStart + FBufferLength);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            ThrowReadFailure(errno);
        if (n == 0)
            break;
        FBufferLength += n;
    }
    return FBufferLength > 0;
}

int64_t TFileStream::Read(void* buffer, int64_t count)
{
    if (count <= 0)
        return 0;
    auto* out = static_cast<uint8_t*>(buffer);
    int64_t done = 0;
    // Whatever the read-ahead already holds.
    if (FPosition >= FBufferStart && FPosition < FBufferStart + FBufferLength) {
        const int64_t n = std::min(count, FBufferStart + FBufferLength - FPosition);
        std::memcpy(out, FBuffer.get() + (FPosition - FBufferStart), static_cast<size_t>(n));
        done = n;
        FPosition += n;
    }
    if (done == count)
        return done;
    const int64_t left = count - done;
    if (left < kDirectRead) {
        if (!FillBuffer(left))
            return done;
        const int64_t n = std::min(left, FBufferLength);
        std::memcpy(out + done, FBuffer.get(), static_cast<size_t>(n));
        FPosition += n;
        return done + n;
    }
    // Large reads go straight into the caller's memory, and the same system
    // call fills the read-ahead with the bytes that follow (in a fragment,
    // the text lines of the next part).
    FReadAhead = kReadAheadMin;
    if (FBufferCapacity < FReadAhead) {
        FBuffer.reset(new uint8_t[static_cast<size_t>(kReadAheadMax)]);
        FBufferCapacity = kReadAheadMax;
    }
    FBufferLength = 0;
    while (done < count) {
        const int64_t want = std::min<int64_t>(count - done, 1 << 30);
        iovec parts[2] = {{out + done, static_cast<size_t>(want)},
                          {FBuffer.get(), static_cast<size_t>(FReadAhead)}};
        const int partCount = done + want == count ? 2 : 1;
        ssize_t n = ::preadv(FHandle, parts, partCount, FPosition);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            ThrowReadFailure(errno);
        if (n == 0)
            break;
        if (n > want) {
            FBufferStart = FPosition + want;
            FBufferLength = n - want;
            n = static_cast<ssize_t>(want);
        }
        done += n;
        FPosition += n;
    }
    return done;
}

TStream::TPeek TFileStream::Peek(int64_t maxCount)
{
    if (maxCount <= 0)
        return {};
    const int64_t size = Size();
    if (FPosition >= size)
        return {};
    const int64_t want = std::min(maxCount, size - FPosition);
    if (!FillBuffer(want))
        return {};
    const int64_t avail = FBufferStart + FBufferLength - FPosition;
    return {FBuffer.get() + (FPosition - FBufferStart), std::min(want, avail)};
}

int64_t TFileStream::Write(const void* buffer, int64_t count)
{
    if (count <= 0)
        return 0;
    DropBuffer();
    const auto* in = static_cast<const uint8_t*>(buffer);
    int64_t done = 0;
    while (done < count) {
        const int64_t want = std::min<int64_t>(count - done, 1 << 30);
        const ssize_t n = ::pwrite(FHandle, in + done, static_cast<size_t>(want), FPosition);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            FWriteError = SystemErrorText(n < 0 ? errno : ENOSPC);
            break;
        }
        done += n;
        FPosition += n;
    }
    return done;
}

void TFileStream::ThrowReadFailure(int error) const
{
    throw EInOutError("Ошибка чтения файла \"" + FPath + "\". " + SystemErrorText(error));
}

std::string TFileStream::WriteFailureText() const
{
    return "Ошибка записи в файл \"" + FPath + "\". " + (FWriteError.empty() ? SystemErrorText(EIO) : FWriteError);
}
