// TEnhMemoryStream: a memory stream whose reads and writes report to an
// event after the bytes have moved; the event may change the count the call
// returns. A request worker collects its answer body in one and makes a
// write return 0 to break off a transfer it was asked to stop.
#pragma once

#include "core/streams.h"

#include <cstdint>
#include <functional>

// (Sender, Buffer, Count, Result): Result holds the count the memory stream
// reported; what the handler leaves in it is what the call returns.
using TStreamNotifyEvent = std::function<void(TStream* sender, const void* buffer, int64_t count, int64_t& result)>;

class TEnhMemoryStream : public TMemoryStream {
public:
    TStreamNotifyEvent OnRead;
    TStreamNotifyEvent OnWrite;

    int64_t Read(void* buffer, int64_t count) override;
    int64_t Write(const void* buffer, int64_t count) override;
    // Copying into this stream goes through Write block by block, so the
    // event sees every block.
    int64_t CopyFrom(TStream& source, int64_t count) override { return TStream::CopyFrom(source, count); }
};
