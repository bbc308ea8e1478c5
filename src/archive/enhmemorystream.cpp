#include "enhmemorystream.h"

int64_t TEnhMemoryStream::Read(void* buffer, int64_t count)
{
    int64_t result = TMemoryStream::Read(buffer, count);
    if (OnRead)
        OnRead(this, buffer, count, result);
    return result;
}

int64_t TEnhMemoryStream::Write(const void* buffer, int64_t count)
{
    int64_t result = TMemoryStream::Write(buffer, count);
    if (OnWrite)
        OnWrite(this, buffer, count, result);
    return result;
}
