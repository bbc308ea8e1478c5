// TMJPGHeader: the text header of an MJPG fragment, read by the reader's
// tolerant rules and written back in the writer's fixed form.
#pragma once

#include "core/datetime.h"
#include "mjpgreader.h"

#include <cstdint>
#include <string>

class TMJPGHeader : public TMJPGReader {
public:
    std::string Signature;
    int32_t VersionMajor = 0;
    int32_t VersionMinor = 0;
    std::string Camera; // code page 1251
    TDateTime EventTime = 0;
    TDateTime BeginTime = 0;
    TDateTime EndTime = 0;
    int32_t Width = 0;
    int32_t Height = 0;
    int32_t FPS = 0;
    int32_t Frames = 0;
    bool PreAlarm = false;
    std::string Boundary;

    TMJPGHeader() = default;
    TMJPGHeader(const TMJPGHeader&) = delete;
    TMJPGHeader& operator=(const TMJPGHeader&) = delete;

    void Clear();
    // Clears, then parses the header; leaves the stream just after the
    // header's empty line (after the first line when the signature is wrong).
    // A value that fails to convert clears the header again (invalid).
    void ReadFromStream(TStream* stream);
    bool IsValid() const { return Signature == "MJPG"; }
    // The twelve header lines as one write. Raises EWriteError when the
    // stream stores fewer bytes.
    void WriteToStream(TStream* stream) const;
    // The text WriteToStream writes.
    std::string ToText() const;

    // Longest signature or boundary word kept.
    static constexpr size_t MaxWordLength = 1023;

private:
    void ParseFirstLine();
    bool ParseLine(); // false when a value fails to convert
};

// When the frame at `index` was taken, as the header implies it: BeginTime
// plus index / FPS seconds, to the millisecond (rounded). BeginTime itself
// when the header gives no positive frame rate.
TDateTime FrameWallTime(const TMJPGHeader& header, int32_t index);
