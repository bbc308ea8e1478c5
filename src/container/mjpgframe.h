// TMJPGFrame: one part of an MJPG stream, holding the JPEG bytes of a frame.
#pragma once

#include "core/sharedbytes.h"
#include "core/streams.h"
#include "mjpgreader.h"

#include <cstdint>
#include <memory>
#include <string>

class TMJPGFrame : public TMJPGReader {
public:
    std::string ContentType;
    std::string Boundary; // the delimiter text written before the part
    int32_t ContentLength = 0;

    // The picture's bytes (empty: none). A frame read from a stream over
    // shared bytes views them where they lie; its bytes live as long as
    // any holder of the view, not just the frame.
    const TSharedBytes& Bytes() const { return FBytes; }
    void SetBytes(TSharedBytes bytes) { FBytes = std::move(bytes); }

    // Reads one part from the stream (which may be null: an empty frame).
    TMJPGFrame(TStream* stream, const std::string& boundary);
    TMJPGFrame(const TMJPGFrame&) = delete;
    TMJPGFrame& operator=(const TMJPGFrame&) = delete;

    // Empty content type, length 0, no data; the boundary stays.
    void Clear();
    // Clears, then reads one part; a part that cannot be read leaves the
    // frame empty. Never raises for malformed data; raises EOutOfMemory or
    // std::bad_alloc (frame left empty) when memory runs out.
    void ReadFromStream(TStream* stream);
    // Writes the part. Raises EWriteError when the stream stores fewer bytes.
    void WriteToStream(TStream* stream) const;
    // ContentLength := size of the bytes; true when there is a picture.
    bool HasData();

private:
    // Steps 2 to 4 of reading a part; raises on a stream error.
    void ReadPart(TStream& stream);

    TSharedBytes FBytes;
};
